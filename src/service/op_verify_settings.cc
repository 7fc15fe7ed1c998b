// kOpVerifySettings: whether the stored settings match their seal
// (settings_seal.h), or the read's failure. Anyone connected may ask.
#include "protocol/settings_ops.h"
#include "service/handlers.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/settings_seal.h"

namespace tav::service {

HandlerReply HandleVerifySettings(Session&, protocol::MessageReader& request) {
  if (!request.Finish().ok()) return std::nullopt;
  protocol::StoreResultReply reply;
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  if (status.ok()) status = db->Read([](SqlDb& c) { return CheckSettingsSeal(c); });
  protocol::SetWireStatus(status, &reply.status, &reply.message);
  return protocol::EncodeReply(protocol::kOpVerifySettings, reply);
}

}  // namespace tav::service
