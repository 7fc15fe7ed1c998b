// AuthBackend: one way of checking a user's password and describing the user.
//
// Two exist: the local account database (local_backend.h) and PAM with NSS
// (pam_backend.h). The configuration (security_config.h) picks one;
// korwinsec.cc makes a new backend for each authentication, so a changed
// configuration applies at once.
//
// Thread safety: a backend object is used by one thread; different objects
// may authenticate on different threads at the same time.
#ifndef TAV_SERVICES_SECURITY_AUTH_BACKEND_H_
#define TAV_SERVICES_SECURITY_AUTH_BACKEND_H_

#include <memory>
#include <string>
#include <string_view>

#include "services/security/identity.h"
#include "services/security/security_config.h"

namespace tav {

class AuthBackend {
 public:
  virtual ~AuthBackend() = default;

  // Checks the password of `user_name` (REQUIRES: not blank). Returns a code
  // of result_codes.h: kSecOk after filling the identity's user name, full
  // name, description, groups and administrator flag; kSecLogonFailure for a
  // wrong password or an unknown user alike; kSecBackendUnavailable with a
  // reason in *detail; or another code of the backend. The password is only
  // read, never copied into memory that outlives the call.
  virtual int Authenticate(const std::string& user_name, std::string_view password,
                           Identity* identity, std::string* detail) = 0;

  // Changes the password of `user_name` from `old_password` to
  // `new_password` (REQUIRES: name not blank), as its user does at logon
  // when the password has expired or must be changed. Returns kSecOk;
  // kSecLogonFailure for a wrong old password or an unknown user;
  // kSecPasswordRestriction when the new password breaks the rules, with
  // the reason (for the user) in *detail; kSecBackendUnavailable with the
  // reason in *detail; or another code of the backend.
  virtual int ChangePassword(const std::string& user_name, std::string_view old_password,
                             std::string_view new_password, std::string* detail) = 0;

  // True when `user_name` names an account of the backend (ASCII case
  // ignored by the local backend). False also when the backend cannot say.
  // Only for records of failed attempts: it is not timed like Authenticate.
  virtual bool IsAccount(const std::string& user_name) = 0;
};

std::unique_ptr<AuthBackend> MakeAuthBackend(const SecurityConfig& config);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_AUTH_BACKEND_H_
