#include "logon/user_login_dialog.h"

#include <string.h>

#include <QKeyEvent>
#include <QPushButton>
#include <ctime>

#include "logon/auth_error.h"
#include "logon/change_password_dialog.h"
#include "logon/password_field.h"
#include "res/resources.h"
#include "ui/message_box.h"
#include "ui_user_login_dialog.h"
#include "util/shown_text.h"
#include "util/strings.h"

namespace tav {

namespace {

}  // namespace

UserLoginDialog::UserLoginDialog(QWidget* parent, LogonBackend& backend,
                                 const std::string& user_name, const std::string& domain,
                                 const char* title, RecordedWork work)
    : QDialog(parent),
      ui_(std::make_unique<Ui::UserLoginDialog>()),
      controller_(backend, user_name, domain),
      work_(work) {
  RegisterResources();
  ui_->setupUi(this);
  setWindowIcon(QIcon(QString::fromLatin1(kIconResource)));
  // No close or help button beyond Cancel; the dialog keeps its size.
  setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

  controller_.Initialize();
  if (!controller_.domain_available()) {
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
  ui_->ctl1002->setText(QString::fromStdString(controller_.user_name()));
  ui_->ctl1004->setText(QString::fromStdString(controller_.domain()));
  setWindowTitle(QString::fromStdString(TranslateText("tav::Logon", title)));

  connect(ui_->ctl1001, &QPushButton::clicked, this, &UserLoginDialog::Authenticate);
  connect(ui_->ctl2, &QPushButton::clicked, this, &QDialog::reject);

  FocusField(controller_.InitialFocus());
}

UserLoginDialog::~UserLoginDialog() = default;

SecretString UserLoginDialog::TakePassword() {
  SecretString taken = std::move(password_);
  password_ = SecretString();
  return taken;
}

void UserLoginDialog::done(int result) {
  // The password never outlives the dialog's run in a widget.
  ui_->ctl1003->clear();
  QDialog::done(result);
}

void UserLoginDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter || (event->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier) {
    QDialog::keyPressEvent(event);
    return;
  }
  event->accept();
  // Enter on the focused Cancel button cancels, as a click would.
  if (focusWidget() == ui_->ctl2) {
    reject();
    return;
  }
  switch (controller_.OnEnter(FieldOf(focusWidget()))) {
    case LoginEnterAction::kFocusDomain:
      FocusField(LoginField::kDomain);
      break;
    case LoginEnterAction::kFocusPassword:
      FocusField(LoginField::kPassword);
      break;
    case LoginEnterAction::kAuthenticate:
      Authenticate();
      break;
    case LoginEnterAction::kNothing:
      break;
  }
}

void UserLoginDialog::Authenticate() {
  ReadPasswordField(ui_->ctl1003->text(), &password_);
  const LoginAttempt attempt =
      controller_.Authenticate(ui_->ctl1002->text().toStdString(),
                               ui_->ctl1004->text().toStdString(), password_.c_str());
  if (attempt.accepted()) {
    WarnOfExpiry();
    accept();
    return;
  }
  if (!attempt.event.ok()) {
    password_.Clear();
    ShowUnrecordedEvent(this, work_, attempt.event);
  } else {
    ShowAuthenticationError(this, attempt.code);
    // The right password, but too old or one that must change: its user
    // may choose a new one, and the logon goes on with it.
    if (OffersPasswordChange(attempt.code) && ChangePassword(attempt.code)) return;
    password_.Clear();
  }
  FocusField(LoginField::kUserName);
}

void UserLoginDialog::WarnOfExpiry() {
  const int days = controller_.PasswordDaysLeft(static_cast<int64_t>(std::time(nullptr)));
  if (days < 0) return;
  const std::string text =
      days == 1 ? TranslateText("tav::Logon", kPasswordExpiryOneDay)
                : StrFormat(TranslateText("tav::Logon", kPasswordExpiryFormat).c_str(), days);
  StealthMessageBox(IDOK, this, text.c_str(), windowTitle().toStdString().c_str(),
                    MB_ICONINFORMATION | MB_OK | MB_TASKMODAL);
}

bool UserLoginDialog::ChangePassword(int code) {
  const std::string user_name = ui_->ctl1002->text().toStdString();
  const std::string domain = ui_->ctl1004->text().toStdString();
  SecretString new_password;
  {
    ChangePasswordDialog dialog(this, controller_.backend(), user_name, domain, password_, code,
                                work_);
    if (dialog.exec() != QDialog::Accepted) return false;
    new_password = dialog.TakeNewPassword();
  }
  password_ = std::move(new_password);
  const LoginAttempt attempt = controller_.Authenticate(user_name, domain, password_.c_str());
  if (attempt.accepted()) {
    accept();
    return true;
  }
  if (!attempt.event.ok()) {
    ShowUnrecordedEvent(this, work_, attempt.event);
  } else {
    ShowAuthenticationError(this, attempt.code);
  }
  return false;
}

void UserLoginDialog::FocusField(LoginField field) {
  switch (field) {
    case LoginField::kUserName:
      ui_->ctl1002->setFocus();
      break;
    case LoginField::kDomain:
      ui_->ctl1004->setFocus();
      break;
    case LoginField::kPassword:
      ui_->ctl1003->setFocus();
      break;
    case LoginField::kOkButton:
      ui_->ctl1001->setFocus();
      break;
    case LoginField::kOther:
      break;
  }
}

LoginField UserLoginDialog::FieldOf(const QWidget* widget) const {
  if (widget == ui_->ctl1002) return LoginField::kUserName;
  if (widget == ui_->ctl1004) return LoginField::kDomain;
  if (widget == ui_->ctl1003) return LoginField::kPassword;
  if (widget == ui_->ctl1001) return LoginField::kOkButton;
  return LoginField::kOther;
}

}  // namespace tav
