// kOpDuplicateToken and kOpCloseToken: the connection's own logons only. A
// number this connection was not given (another connection's, a closed
// one's, a made-up one) gets 6, as a closed handle does.
#include "service/handlers.h"
#include "services/security/result_codes.h"

namespace tav::service {

HandlerReply HandleDuplicateToken(Session& session, protocol::MessageReader& request) {
  protocol::TokenRequest token;
  if (!protocol::DecodeRequest(request, &token).ok()) return std::nullopt;
  protocol::TokenReply reply;
  const Logon* logon = session.FindLogon(token.token);
  if (logon == nullptr) {
    reply.code = kSecInvalidHandle;
    return protocol::EncodeReply(protocol::kOpDuplicateToken, reply);
  }
  HANDLE duplicate = nullptr;
  reply.code = KorWinSec_DuplicateToken(logon->token, &duplicate);
  if (reply.code == kSecOk) {
    reply.token = session.AddLogon(duplicate, logon->user_name);
    if (reply.token == 0) {
      KorWinSec_CloseToken(duplicate);
      reply.code = kSecNotEnoughMemory;
    }
  }
  return protocol::EncodeReply(protocol::kOpDuplicateToken, reply);
}

HandlerReply HandleCloseToken(Session& session, protocol::MessageReader& request) {
  protocol::TokenRequest token;
  if (!protocol::DecodeRequest(request, &token).ok()) return std::nullopt;
  protocol::TokenReply reply;
  HANDLE handle = nullptr;
  reply.code = session.TakeLogon(token.token, &handle) ? KorWinSec_CloseToken(handle)
                                                       : kSecInvalidHandle;
  return protocol::EncodeReply(protocol::kOpCloseToken, reply);
}

}  // namespace tav::service
