#include "logon/password_change.h"

#include <cstring>

namespace tav {

PasswordChangeResult PasswordChange::Change(const char* old_password, const char* new_password,
                                            const char* confirmation) {
  PasswordChangeResult result;
  if (std::strcmp(new_password != nullptr ? new_password : "",
                  confirmation != nullptr ? confirmation : "") != 0) {
    result.outcome = PasswordChangeResult::Outcome::kMismatch;
    return result;
  }
  const RecordedAttempt attempt = backend_.ChangePassword(
      user_name_.c_str(), domain_.c_str(), old_password, new_password, &result.reason);
  result.code = attempt.code;
  result.event = attempt.event;
  if (!attempt.event.ok()) {
    result.outcome = PasswordChangeResult::Outcome::kUnrecorded;
  } else if (attempt.code == 0) {
    result.outcome = PasswordChangeResult::Outcome::kChanged;
  } else if (attempt.code == 1325) {
    result.outcome = PasswordChangeResult::Outcome::kRefused;
  } else {
    result.outcome = PasswordChangeResult::Outcome::kFailed;
  }
  return result;
}

}  // namespace tav
