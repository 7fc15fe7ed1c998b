// kOpLogon: authenticates and, on success, gives the connection a logon:
// the security service's token stays in the session, the client gets its
// number. The service thread impersonates the user only long enough to read
// the record, and reverts before replying. A logon for a login records the
// login's events (as kOpAuthenticate does); one whose event is not stored
// is closed again and reported as not made.
#include "service/handlers.h"
#include "services/security/result_codes.h"
#include "util/strings.h"

namespace tav::service {

HandlerReply HandleLogon(Session& session, protocol::MessageReader& request) {
  protocol::LogonRequest logon;
  WipeOnExit wipe(&logon.password);
  if (!protocol::DecodeRequest(request, &logon).ok()) return std::nullopt;

  protocol::LogonReply reply;
  const bool checked =
      !HasControlChar(logon.user) && !HasNul(logon.domain) && !HasNul(logon.password);
  HANDLE token = nullptr;
  reply.code = checked ? KorWinSec_aImpersonateUser(logon.user.c_str(), logon.domain.c_str(),
                                                    logon.password.c_str(), &token)
                       : kSecLogonFailure;
  if (reply.code == kSecBackendUnavailable) reply.detail = SecurityBackendErrorDetail();
  const bool login = logon.purpose == protocol::AuthPurpose::kLogin;
  if (reply.code != kSecOk) {
    if (login) {
      const bool forged = HasControlChar(logon.user);
      reply.locked_now = checked && KorWinSec_LastAttemptLockedAccount() != 0;
      reply.recorded_name = forged ? kUnknownUserName : RecordedUserName(logon.user.c_str());
      SetEventStatus(RecordLoginAttempt(session, static_cast<int>(reply.code), logon.user, reply.recorded_name,
                                        reply.locked_now),
                     &reply.event_status, &reply.event_message);
    }
    return protocol::EncodeReply(protocol::kOpLogon, reply);
  }

  protocol::WireUser user = ImpersonatedUser();
  KorWinSec_RevertToSelf();
  if (login) {
    reply.recorded_name = logon.user;
    const StoreStatus event = RecordLoginAttempt(session, kSecOk, logon.user, logon.user, false);
    SetEventStatus(event, &reply.event_status, &reply.event_message);
    if (!event.ok()) {
      KorWinSec_CloseToken(token);
      return protocol::EncodeReply(protocol::kOpLogon, reply);
    }
  }
  const int64_t number = session.AddLogon(token, user.user_name);
  if (number == 0) {
    KorWinSec_CloseToken(token);
    reply.code = kSecNotEnoughMemory;
    reply.detail = "this connection holds " + std::to_string(Session::kMaxLogons) +
                   " logons already";
    return protocol::EncodeReply(protocol::kOpLogon, reply);
  }
  reply.token = number;
  reply.user = std::move(user);
  return protocol::EncodeReply(protocol::kOpLogon, reply);
}

}  // namespace tav::service
