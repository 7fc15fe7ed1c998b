// LoginController: what the User Login dialog does, without the window.
//
// The dialog (user_login_dialog.h) shows the fields and forwards the keys;
// this class decides where the focus goes, authenticates the typed
// credentials through the LogonBackend, writes the "Failed Login" or
// "Successful Login" system event and keeps the authenticated user's
// details. An attempt whose event cannot be stored is refused, whatever
// the credentials (logon/unrecorded_event.h).
//
// Threads: the GUI thread. Ownership: holds a reference to the backend,
// which must outlive it.
#ifndef TAV_LOGON_LOGIN_CONTROLLER_H_
#define TAV_LOGON_LOGIN_CONTROLLER_H_

#include <list>
#include <string>

#include "logon/logon_backend.h"
#include "logon/user_record.h"
#include "services/filelib/store_status.h"

namespace tav {

// The fields of the dialog, as far as Enter and the initial focus care.
enum class LoginField { kUserName, kDomain, kPassword, kOkButton, kOther };

// What Enter does, by the control that has the focus.
enum class LoginEnterAction { kFocusDomain, kFocusPassword, kAuthenticate, kNothing };

// The outcome of one click on OK.
struct LoginAttempt {
  int code = 0;       // the service's answer: 0, or its error code
  StoreStatus event;  // whether the attempt's system event was stored
  // Authenticated, and recorded as such.
  bool accepted() const { return code == 0 && event.ok(); }
};

class LoginController {
 public:
  // `user_name` and `domain` are the values the dialog opens with.
  LoginController(LogonBackend& backend, std::string user_name, std::string domain);

  LoginController(const LoginController&) = delete;
  LoginController& operator=(const LoginController&) = delete;

  // Asks the service whether the machine has a domain; without one the
  // domain is emptied (a pre-filled domain is discarded).
  void Initialize();

  bool domain_available() const { return domain_available_; }
  const std::string& user_name() const { return user_name_; }
  const std::string& domain() const { return domain_; }

  // The user name field when the name is empty; otherwise the domain field
  // when there is a domain and it is empty; otherwise the password field.
  LoginField InitialFocus() const;

  // Enter moves through the fields before it authenticates.
  LoginEnterAction OnEnter(LoginField focus) const;

  // Checks the typed credentials and writes the system event either way,
  // for the user name as typed. An accepted attempt keeps the user's
  // details; one whose event was not stored keeps nothing.
  LoginAttempt Authenticate(const std::string& user_name, const std::string& domain,
                            const char* password);

  // The user who passed Authenticate: name and domain as typed, the rest
  // from the service; the logon server stays empty.
  const UserRecord& authenticated_user() const { return user_; }

  LogonBackend& backend() const { return backend_; }

  // Whole days (rounded up) until the authenticated user's password
  // expires, when the policy's warning period has begun at `now`; -1
  // otherwise (no expiry, or not yet).
  int PasswordDaysLeft(int64_t now) const;

 private:
  LogonBackend& backend_;
  std::string user_name_;
  std::string domain_;
  bool domain_available_ = false;
  UserRecord user_;
  int64_t password_expires_at_ = 0;
  int64_t password_warn_at_ = 0;
};

}  // namespace tav

#endif  // TAV_LOGON_LOGIN_CONTROLLER_H_
