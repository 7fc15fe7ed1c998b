#include "esig/esignature_dialog.h"

#include <string.h>

#include <QKeyEvent>
#include <QPushButton>

#include "logon/password_field.h"
#include "res/resources.h"
#include "ui_esignature_dialog.h"
#include "util/shown_text.h"

namespace tav {

namespace {

bool IsPlainEnter(const QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  return enter && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// Ctrl+Enter or Shift+Enter: a new line in the comment.
bool IsNewLine(const QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
  return enter && (mods == Qt::ControlModifier || mods == Qt::ShiftModifier);
}

}  // namespace

ESignatureDialog::ESignatureDialog(QWidget* parent, SignatureBackend& backend,
                                   SignatureDialogSetup setup)
    : QDialog(parent),
      ui_(std::make_unique<Ui::ESignatureDialog>()),
      controller_(backend, std::move(setup)) {
  RegisterResources();
  ui_->setupUi(this);
  setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  controller_.Initialize();
  const SignatureDialogSetup& s = controller_.setup();
  ui_->ctl1011->setText(QString::fromStdString(s.document_name));
  ui_->ctl1017->setText(QString::fromStdString(s.root_folder));
  ui_->ctl1018->setText(QString::fromStdString(s.subfolder));
  ui_->ctl1007->clear();
  for (const OfferedReason& reason : s.reasons) {
    // The host names its reasons; the predefined names are shown translated.
    ui_->ctl1007->addItem(
        QString::fromStdString(TranslateText("tav::Names", reason.entry.name.c_str())),
        reason.entry.number);
  }
  // Nothing is chosen for the signer: the meaning must be picked.
  ui_->ctl1007->setCurrentIndex(-1);
  ApplyLayoutRules();

  // A multi-line comment box and a closed drop-down list would keep Enter
  // to themselves; in this dialog Enter moves on.
  ui_->ctl1005->installEventFilter(this);
  ui_->ctl1007->installEventFilter(this);
  connect(ui_->ctl1001, &QPushButton::clicked, this, &ESignatureDialog::Accept);
  connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);

  FocusField(SignatureField::kUserName);
}

ESignatureDialog::~ESignatureDialog() = default;

void ESignatureDialog::ApplyLayoutRules() {
  if (!controller_.domain_shown()) {
    // The password row moves up into the domain row's place.
    ui_->ctl1019->hide();
    ui_->ctl1004->hide();
    ui_->fieldsLayout->removeWidget(ui_->ctl1000);
    ui_->fieldsLayout->removeWidget(ui_->ctl1003);
    ui_->fieldsLayout->addWidget(ui_->ctl1000, 1, 1);
    ui_->fieldsLayout->addWidget(ui_->ctl1003, 1, 2);
    ui_->fieldsLayout->removeWidget(ui_->lblIcon);
    ui_->fieldsLayout->addWidget(ui_->lblIcon, 0, 0, 2, 1, Qt::AlignTop);
    setTabOrder(ui_->ctl1002, ui_->ctl1003);
  }
  if (!controller_.root_shown()) {
    // The comment box grows down over the folder rows, so that the dialog
    // keeps its size and its buttons their place.
    const int freed = ui_->ctl1017->sizeHint().height() + ui_->folderLayout->verticalSpacing() +
                      ui_->ctl1018->sizeHint().height() + ui_->bodyLayout->spacing();
    ui_->ctl1005->setFixedHeight(ui_->ctl1005->maximumHeight() + freed);
    ui_->ctl1009->hide();
    ui_->ctl1017->hide();
  }
  if (!controller_.subfolder_shown()) {
    ui_->ctl1010->hide();
    ui_->ctl1018->hide();
  }
  ui_->ctl1012->setText(
      QString::fromStdString(TranslateText("tav::ESignature", controller_.heading())));
  if (!controller_.reason_shown()) {
    ui_->ctl1006->hide();
    ui_->ctl1007->hide();
  }
  if (!controller_.comment_shown()) {
    ui_->ctl1008->hide();
    ui_->ctl1005->hide();
  }
}

SecretString ESignatureDialog::TakePassword() {
  SecretString taken = std::move(password_);
  password_ = SecretString();
  return taken;
}

void ESignatureDialog::done(int result) {
  // The password never outlives the dialog's run in a widget.
  ui_->ctl1003->clear();
  QDialog::done(result);
}

void ESignatureDialog::keyPressEvent(QKeyEvent* event) {
  if (!IsPlainEnter(event)) {
    QDialog::keyPressEvent(event);
    return;
  }
  event->accept();
  // Enter on the focused Cancel button cancels, as a click would.
  if (focusWidget() == ui_->ctl2) {
    reject();
    return;
  }
  HandleEnter(FieldOf(focusWidget()));
}

bool ESignatureDialog::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() != QEvent::KeyPress) return QDialog::eventFilter(watched, event);
  auto* key = static_cast<QKeyEvent*>(event);
  if (watched == ui_->ctl1005 && IsNewLine(key)) {
    ui_->ctl1005->insertPlainText(QStringLiteral("\n"));
    return true;
  }
  if (IsPlainEnter(key)) {
    if (watched == ui_->ctl1005) {
      HandleEnter(SignatureField::kComment);
      return true;
    }
    if (watched == ui_->ctl1007) {
      HandleEnter(SignatureField::kReason);
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void ESignatureDialog::HandleEnter(SignatureField focus) {
  const SignatureEnterAction action = controller_.OnEnter(focus);
  switch (action.kind) {
    case SignatureEnterAction::kFocus:
      FocusField(action.field);
      break;
    case SignatureEnterAction::kAccept:
      Accept();
      break;
    case SignatureEnterAction::kNothing:
      break;
  }
}

void ESignatureDialog::Accept() {
  ReadPasswordField(ui_->ctl1003->text(), &password_);
  SignatureInput input;
  input.user_name = ui_->ctl1002->text().toStdString();
  input.domain = ui_->ctl1004->text().toStdString();
  input.password = password_.c_str();
  input.reason_items = ui_->ctl1007->count();
  if (ui_->ctl1007->currentIndex() >= 0) {
    input.chosen_reason = ui_->ctl1007->currentData().toInt();
  }
  input.comment = ui_->ctl1005->toPlainText().toStdString();
  input.subfolder = ui_->ctl1018->text().toStdString();

  const AcceptResult result = controller_.Accept(input, this);
  if (result == AcceptResult::kAccepted) {
    accept();
    return;
  }
  password_.Clear();
  switch (result) {
    case AcceptResult::kClearAndRetry:
      ui_->ctl1002->clear();
      ui_->ctl1003->clear();
      ui_->ctl1004->clear();
      ui_->ctl1005->clear();
      FocusField(SignatureField::kUserName);
      break;
    case AcceptResult::kRetryFromUserName:
      FocusField(SignatureField::kUserName);
      break;
    case AcceptResult::kCancelled:
      reject();
      break;
    case AcceptResult::kStayOpen:
    case AcceptResult::kAccepted:
      break;
  }
}

void ESignatureDialog::FocusField(SignatureField field) {
  QWidget* target = nullptr;
  switch (field) {
    case SignatureField::kUserName: target = ui_->ctl1002; break;
    case SignatureField::kDomain: target = ui_->ctl1004; break;
    case SignatureField::kPassword: target = ui_->ctl1003; break;
    case SignatureField::kReason: target = ui_->ctl1007; break;
    case SignatureField::kComment: target = ui_->ctl1005; break;
    case SignatureField::kSubfolder: target = ui_->ctl1018; break;
    case SignatureField::kAcceptButton: target = ui_->ctl1001; break;
    case SignatureField::kOther: break;
  }
  if (target != nullptr) target->setFocus();
}

SignatureField ESignatureDialog::FieldOf(const QWidget* widget) const {
  if (widget == ui_->ctl1002) return SignatureField::kUserName;
  if (widget == ui_->ctl1004) return SignatureField::kDomain;
  if (widget == ui_->ctl1003) return SignatureField::kPassword;
  if (widget == ui_->ctl1007) return SignatureField::kReason;
  if (widget == ui_->ctl1005) return SignatureField::kComment;
  if (widget == ui_->ctl1018) return SignatureField::kSubfolder;
  if (widget == ui_->ctl1001) return SignatureField::kAcceptButton;
  return SignatureField::kOther;
}

}  // namespace tav
