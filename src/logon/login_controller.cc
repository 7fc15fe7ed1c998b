#include "logon/login_controller.h"

#include <utility>

#include "logon/auth_error.h"
#include "records/audit_code.h"
#include "services/security/korwinsec.h"
#include "util/strings.h"

namespace tav {

LoginController::LoginController(LogonBackend& backend, std::string user_name, std::string domain)
    : backend_(backend), user_name_(std::move(user_name)), domain_(std::move(domain)) {}

void LoginController::Initialize() {
  domain_available_ = backend_.HasDomain();
  if (!domain_available_) domain_.clear();
}

LoginField LoginController::InitialFocus() const {
  if (user_name_.empty()) return LoginField::kUserName;
  if (domain_available_ && domain_.empty()) return LoginField::kDomain;
  return LoginField::kPassword;
}

LoginEnterAction LoginController::OnEnter(LoginField focus) const {
  switch (focus) {
    case LoginField::kUserName:
      return domain_available_ ? LoginEnterAction::kFocusDomain : LoginEnterAction::kFocusPassword;
    case LoginField::kDomain:
      return LoginEnterAction::kFocusPassword;
    case LoginField::kPassword:
    case LoginField::kOkButton:
      return LoginEnterAction::kAuthenticate;
    case LoginField::kOther:
      break;
  }
  return LoginEnterAction::kNothing;
}

LoginAttempt LoginController::Authenticate(const std::string& user_name,
                                           const std::string& domain, const char* password) {
  user_name_ = user_name;
  domain_ = domain_available_ ? domain : std::string();
  const RecordedAttempt recorded = backend_.AuthenticateAndRecord(
      AttemptPurpose::kLogin, user_name_.c_str(), domain_.c_str(), password);
  if (recorded.code == 0) {
    user_ = UserRecord();
    user_.user_name = user_name_;
    user_.domain = domain_;
    user_.full_name = backend_.AuthenticFullName();
    user_.description = backend_.AuthenticDescription();
    for (std::string& group : backend_.AuthenticGroups()) user_.groups.push_back(std::move(group));
    user_.is_admin = backend_.AuthenticIsAdmin() ? 1 : 0;
    backend_.AuthenticPasswordAging(&password_expires_at_, &password_warn_at_);
  }
  LoginAttempt attempt;
  attempt.code = recorded.code;
  attempt.event = recorded.event;
  if (!attempt.event.ok()) user_ = UserRecord();
  return attempt;
}

int LoginController::PasswordDaysLeft(int64_t now) const {
  if (password_expires_at_ == 0 || now < password_warn_at_ || now >= password_expires_at_) {
    return -1;
  }
  return static_cast<int>((password_expires_at_ - now + 86399) / 86400);
}

}  // namespace tav
