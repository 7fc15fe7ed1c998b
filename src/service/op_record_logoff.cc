// kOpRecordLogoff: "Logged Off" for the user of one of the connection's
// logons. The client names the logon, never the user.
#include "records/audit_code.h"
#include "service/handlers.h"
#include "services/security/result_codes.h"

namespace tav::service {

HandlerReply HandleRecordLogoff(Session& session, protocol::MessageReader& request) {
  protocol::TokenRequest token;
  if (!protocol::DecodeRequest(request, &token).ok()) return std::nullopt;
  protocol::EventReply reply;
  const Logon* logon = session.FindLogon(token.token);
  if (logon == nullptr) {
    reply.code = kSecInvalidHandle;
    return protocol::EncodeReply(protocol::kOpRecordLogoff, reply);
  }
  SetEventStatus(session.events().Record(kAuditLoggedOff, logon->user_name), &reply.event_status,
                 &reply.event_message);
  return protocol::EncodeReply(protocol::kOpRecordLogoff, reply);
}

}  // namespace tav::service
