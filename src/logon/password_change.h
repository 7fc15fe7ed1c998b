// PasswordChange: what the Change Password dialog does, without the window.
//
// When a logon answers that the password has expired (1330) or must be
// changed (1907), the user types a new password twice; this class checks
// that the two agree and has the change made through the LogonBackend,
// which checks the old password as a logon does and records the change.
//
// Threads: the GUI thread. Ownership: holds a reference to the backend,
// which must outlive it; never keeps a password.
#ifndef TAV_LOGON_PASSWORD_CHANGE_H_
#define TAV_LOGON_PASSWORD_CHANGE_H_

#include <string>

#include "logon/logon_backend.h"
#include "services/filelib/store_status.h"
#include "util/shown_text.h"

namespace tav {

// The codes a logon answers when the user may go on by changing the
// password.
inline constexpr int kPasswordExpiredCode = 1330;
inline constexpr int kPasswordMustChangeCode = 1907;
inline bool OffersPasswordChange(int code) {
  return code == kPasswordExpiredCode || code == kPasswordMustChangeCode;
}

inline constexpr char kPasswordsDifferText[] =
    TAV_TR_NOOP("tav::Logon",
                "The passwords you typed do not match. Type the new password in both text boxes.");

struct PasswordChangeResult {
  enum class Outcome {
    kChanged,     // the new password is in force
    kMismatch,    // the two typed passwords differ; nothing was asked
    kRefused,     // a rule refused it (`code` 1325, the rule in `reason`)
    kFailed,      // the old password or the service failed (`code`)
    kUnrecorded,  // the attempt's event could not be stored (`event`)
  };
  Outcome outcome = Outcome::kFailed;
  int code = 0;
  std::string reason;
  StoreStatus event;
};

class PasswordChange {
 public:
  PasswordChange(LogonBackend& backend, std::string user_name, std::string domain)
      : backend_(backend), user_name_(std::move(user_name)), domain_(std::move(domain)) {}
  PasswordChange(const PasswordChange&) = delete;
  PasswordChange& operator=(const PasswordChange&) = delete;

  const std::string& user_name() const { return user_name_; }

  // Changes the password from `old_password` to `new_password`, which the
  // user typed twice (`confirmation`).
  PasswordChangeResult Change(const char* old_password, const char* new_password,
                              const char* confirmation);

 private:
  LogonBackend& backend_;
  std::string user_name_;
  std::string domain_;
};

}  // namespace tav

#endif  // TAV_LOGON_PASSWORD_CHANGE_H_
