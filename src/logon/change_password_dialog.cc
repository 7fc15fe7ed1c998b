#include "logon/change_password_dialog.h"

#include <QKeyEvent>
#include <QPushButton>

#include "logon/auth_error.h"
#include "logon/password_field.h"
#include "res/resources.h"
#include "ui/message_box.h"
#include "ui_change_password_dialog.h"
#include "util/shown_text.h"

namespace tav {

ChangePasswordDialog::ChangePasswordDialog(QWidget* parent, LogonBackend& backend,
                                           const std::string& user_name,
                                           const std::string& domain,
                                           const SecretString& old_password, int code,
                                           RecordedWork work)
    : QDialog(parent),
      ui_(std::make_unique<Ui::ChangePasswordDialog>()),
      change_(backend, user_name, domain),
      old_password_(old_password),
      work_(work) {
  RegisterResources();
  ui_->setupUi(this);
  setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);
  setWindowTitle(QString::fromStdString(TranslateText("tav::Logon", kChangePasswordTitle)));
  ui_->ctl1020->setText(QString::fromStdString(
      TranslateText("tav::Logon", code == kPasswordExpiredCode ? kPasswordExpiredPrompt
                                                               : kPasswordMustChangePrompt)));
  ui_->ctl1021->setText(QString::fromStdString(user_name));
  connect(ui_->ctl1, &QPushButton::clicked, this, &ChangePasswordDialog::Change);
  connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);
  ui_->ctl1005->setFocus();
}

ChangePasswordDialog::~ChangePasswordDialog() = default;

SecretString ChangePasswordDialog::TakeNewPassword() {
  SecretString taken = std::move(new_password_);
  new_password_ = SecretString();
  return taken;
}

void ChangePasswordDialog::done(int result) {
  // The passwords never outlive the dialog's run in a widget.
  ui_->ctl1005->clear();
  ui_->ctl1006->clear();
  QDialog::done(result);
}

void ChangePasswordDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    QDialog::keyPressEvent(event);
    return;
  }
  event->accept();
  // Enter moves from the first field to the second, then changes.
  if (focusWidget() == ui_->ctl2) {
    reject();
  } else if (focusWidget() == ui_->ctl1005) {
    ui_->ctl1006->setFocus();
  } else {
    Change();
  }
}

void ChangePasswordDialog::Change() {
  SecretString confirmation;
  ReadPasswordField(ui_->ctl1005->text(), &new_password_);
  ReadPasswordField(ui_->ctl1006->text(), &confirmation);
  const PasswordChangeResult result =
      change_.Change(old_password_.c_str(), new_password_.c_str(), confirmation.c_str());
  confirmation.Clear();
  if (result.outcome == PasswordChangeResult::Outcome::kChanged) {
    accept();
    return;
  }
  new_password_.Clear();
  switch (result.outcome) {
    case PasswordChangeResult::Outcome::kMismatch:
      StealthMessageBox(IDOK, this, TranslateText("tav::Logon", kPasswordsDifferText).c_str(),
                        TranslateText("tav::Logon", kChangePasswordTitle).c_str(),
                        MB_ICONERROR | MB_OK | MB_TASKMODAL);
      break;
    case PasswordChangeResult::Outcome::kRefused: {
      const std::string text = AuthenticationErrorText(result.code) + result.reason;
      StealthMessageBox(IDOK, this, text.c_str(),
                        TranslateText("tav::Logon", kChangePasswordTitle).c_str(),
                        MB_ICONERROR | MB_OK | MB_TASKMODAL);
      break;
    }
    case PasswordChangeResult::Outcome::kUnrecorded:
      ShowUnrecordedEvent(this, work_, result.event);
      break;
    case PasswordChangeResult::Outcome::kFailed:
    case PasswordChangeResult::Outcome::kChanged:
      ShowAuthenticationError(this, result.code);
      break;
  }
  ui_->ctl1005->clear();
  ui_->ctl1006->clear();
  ui_->ctl1005->setFocus();
}

}  // namespace tav
