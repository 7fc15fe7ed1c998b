// kOpLogon: authenticates and, on success, gives the connection a logon:
// the security service's token stays in the session, the client gets its
// number. The service thread impersonates the user only long enough to read
// the record, and reverts before replying. No event: a login records its
// own with kOpAuthenticate first.
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
  if (reply.code != kSecOk) return protocol::EncodeReply(protocol::kOpLogon, reply);

  protocol::WireUser user = ImpersonatedUser();
  KorWinSec_RevertToSelf();
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
