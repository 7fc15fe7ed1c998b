// kOpReadConfigTrail: one page of the configuration audit trail, from a
// sequence number on: as many events as fit well under the frame limit
// (at least one), and whether more follow. Anyone connected may read it,
// as anyone may open the trail's viewer; the viewer checks its right.
#include "protocol/settings_ops.h"
#include "service/handlers.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"

namespace tav::service {
namespace {

// Room for the events of one page: the rest of the frame holds the
// status, the message and the numbers.
constexpr size_t kPageBytes = 512 * 1024;

}  // namespace

HandlerReply HandleReadConfigTrail(Session&, protocol::MessageReader& request) {
  protocol::TrailPageRequest page;
  if (!protocol::DecodeRequest(request, &page).ok()) return std::nullopt;
  protocol::TrailPageReply reply;
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  if (status.ok()) {
    status = db->Read([&](SqlDb& c) {
      reply.numbers.clear();
      reply.events.clear();
      reply.more = false;
      size_t bytes = 0;
      const uint64_t from = static_cast<uint64_t>(page.from);
      return ForEachChainedFrom(c, ChainedLog::kConfigAudit, from,
                                [&](uint64_t seq, std::string_view record) {
        const size_t size = record.size() + 32;
        if (!reply.events.empty() && bytes + size > kPageBytes) {
          reply.more = true;
          reply.next = static_cast<int64_t>(seq);
          return false;
        }
        if (record.size() > protocol::kMaxRecordBytes) return true;  // cannot travel
        bytes += size;
        reply.numbers.push_back(static_cast<int64_t>(seq));
        reply.events.emplace_back(record);
        return true;
      });
    });
  }
  if (!status.ok()) {
    reply = protocol::TrailPageReply();
  } else if (!reply.more) {
    reply.next = reply.numbers.empty() ? page.from : reply.numbers.back() + 1;
  }
  protocol::SetWireStatus(status, &reply.status, &reply.message);
  return protocol::EncodeReply(protocol::kOpReadConfigTrail, reply);
}

}  // namespace tav::service
