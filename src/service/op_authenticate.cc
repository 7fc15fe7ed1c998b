// kOpAuthenticate: checks a user's password and records what the purpose
// asks for, in one call, so that no client can check a password without
// its events being written.
//
// A name with a control character could forge lines in the listings of the
// records; no account has one, so the attempt fails (1326) unchecked and is
// recorded for "(unknown user)". A NUL in the domain or the password would
// cut them short on their way to the security service: such an attempt
// fails unchecked too.
#include <syslog.h>

#include "records/audit_code.h"
#include "service/handlers.h"
#include "services/security/result_codes.h"
#include "util/auth_syslog.h"
#include "util/strings.h"

namespace tav::service {

using protocol::AuthPurpose;

HandlerReply HandleAuthenticate(Session& session, protocol::MessageReader& request) {
  protocol::AuthenticateRequest attempt;
  WipeOnExit wipe(&attempt.password);
  if (!protocol::DecodeRequest(request, &attempt).ok()) return std::nullopt;

  protocol::AuthenticateReply reply;
  const bool forged = HasControlChar(attempt.user);
  const bool checked = !forged && !HasNul(attempt.domain) && !HasNul(attempt.password);
  reply.code = checked ? KorWinSec_aAuthenticateUser(attempt.user.c_str(), attempt.domain.c_str(),
                                                     attempt.password.c_str())
                       : kSecLogonFailure;
  if (reply.code == kSecBackendUnavailable) reply.detail = SecurityBackendErrorDetail();

  if (reply.code == kSecOk) {
    reply.user = AuthenticatedUser();
    reply.user.user_name = attempt.user;
    // The domain as typed, on a machine that has one.
    if (KorWinSec_aGetWindowsDomain(nullptr, 0) >= 0) reply.user.domain = attempt.domain;
    reply.recorded_name = attempt.user;
  } else {
    reply.locked_now = checked && KorWinSec_LastAttemptLockedAccount() != 0;
    reply.recorded_name = forged ? kUnknownUserName : RecordedUserName(attempt.user.c_str());
  }

  StoreStatus event;
  if (attempt.purpose == AuthPurpose::kLogin) {
    event = RecordLoginAttempt(session, static_cast<int>(reply.code), attempt.user, reply.recorded_name,
                               reply.locked_now);
  } else if (attempt.purpose == AuthPurpose::kSignature && reply.code != kSecOk) {
    AuthSyslog(LOG_WARNING, "signature refused; user=" + reply.recorded_name +
                                " code=" + std::to_string(reply.code));
    event = session.events().Record(kAuditFailedESignature, reply.recorded_name);
    if (event.ok() && reply.code == kSecPasswordExpired) {
      event = session.events().Record(kAuditPasswordExpired, reply.recorded_name);
    }
    if (event.ok() && reply.locked_now) {
      event = session.events().Record(kAuditAccountLocked, reply.recorded_name);
    }
  }
  SetEventStatus(event, &reply.event_status, &reply.event_message);
  // A logon whose event was not stored does not happen: the client learns
  // nothing of the user.
  if (!event.ok()) reply.user = protocol::WireUser();
  return protocol::EncodeReply(protocol::kOpAuthenticate, reply);
}

}  // namespace tav::service
