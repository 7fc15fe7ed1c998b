// kOpVerifyStore: the whole check of the store (every log, the settings'
// seal, the database file) that `tavsec events verify` reports, run here
// where the store is. Damage found goes to the system log from here, so
// that the site hears of it whoever asked. Any peer may ask, as for the
// listing; the check changes nothing.
#include <memory>

#include "protocol/event_ops.h"
#include "service/handlers.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/store_verification.h"

namespace tav::service {

HandlerReply HandleVerifyStore(Session&, protocol::MessageReader& request) {
  if (!request.Finish().ok()) return std::nullopt;
  StoreVerification verification;
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  if (status.ok()) {
    status = db->Read([&verification](SqlDb& c) {
      return VerifyStore(c, IntegrityOptions(), nullptr, &verification);
    });
  }
  if (!status.ok()) verification.intact = false;
  if (!verification.intact) TellSystemLogOfDamage("the compliance service", verification);
  protocol::VerifyStoreReply reply;
  reply.status_code = static_cast<int64_t>(status.code());
  reply.error = status.message().substr(0, protocol::kMaxVerifyStoreError);
  reply.intact = verification.intact;
  for (std::string& line : verification.lines) {
    if (reply.lines.size() == static_cast<size_t>(protocol::kMaxReportLines)) {
      ++reply.lines_left_out;
      continue;
    }
    if (line.size() > protocol::kMaxTextField) line.resize(protocol::kMaxTextField);
    reply.lines.push_back(std::move(line));
  }
  return protocol::EncodeReply(protocol::kOpVerifyStore, reply);
}

}  // namespace tav::service
