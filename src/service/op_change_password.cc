// kOpChangePassword: a user changes a password that has expired or must be
// changed, at logon, proving who they are with the old one. The attempt is
// checked and recorded as a logon is: a wrong old password is a "Failed
// Login" (and may lock the account); a change made is "Password Changed".
// A new password that breaks a rule changes nothing and is a "Failed
// Login" too: the answer may tell that the old password was right, and no
// client may learn that without a record.
#include "protocol/account_ops.h"
#include "records/audit_code.h"
#include "service/handlers.h"
#include "services/security/result_codes.h"
#include "util/strings.h"

namespace tav::service {

HandlerReply HandleChangePassword(Session& session, protocol::MessageReader& request) {
  protocol::ChangePasswordRequest change;
  WipeOnExit wipe_old(&change.old_password);
  WipeOnExit wipe_new(&change.new_password);
  if (!protocol::DecodeRequest(request, &change).ok()) return std::nullopt;

  protocol::ChangePasswordReply reply;
  const bool forged = HasControlChar(change.user);
  const bool checked = !forged && !HasNul(change.domain) && !HasNul(change.old_password);
  if (checked && HasNul(change.new_password)) {
    reply.code = kSecPasswordRestriction;
    reply.reason = "the password holds a NUL byte";
    return protocol::EncodeReply(reply);
  }
  reply.code = checked ? KorWinSec_aChangePassword(change.user.c_str(), change.domain.c_str(),
                                                   change.old_password.c_str(),
                                                   change.new_password.c_str(), &reply.reason)
                       : kSecLogonFailure;
  if (reply.code == kSecBackendUnavailable) reply.detail = SecurityBackendErrorDetail();
  if (reply.code == kSecBlankUserName) return protocol::EncodeReply(reply);
  StoreStatus event;
  if (reply.code == kSecOk) {
    reply.recorded_name = change.user;
    event = session.events().Record(kAuditPasswordChanged, change.user);
  } else {
    reply.locked_now = checked && KorWinSec_LastAttemptLockedAccount() != 0;
    reply.recorded_name = forged ? kUnknownUserName : RecordedUserName(change.user.c_str());
    event = RecordLoginAttempt(session, static_cast<int>(reply.code), change.user,
                               reply.recorded_name, reply.locked_now);
  }
  SetEventStatus(event, &reply.event_status, &reply.event_message);
  return protocol::EncodeReply(reply);
}

}  // namespace tav::service
