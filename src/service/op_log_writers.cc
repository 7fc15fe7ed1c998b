// kOpLogWriters: one page of who stored a log's records (the lab store's
// login role of each row). Any peer that may list the logs may ask.
#include "protocol/event_ops.h"
#include "service/handlers.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/log_writers.h"

namespace tav::service {

HandlerReply HandleLogWriters(Session&, protocol::MessageReader& request) {
  protocol::LogWritersRequest ask;
  if (!protocol::DecodeRequest(request, &ask).ok()) return std::nullopt;
  static constexpr ChainedLog kLogs[] = {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit,
                                         ChainedLog::kRunHistory};
  const ChainedLog log = kLogs[ask.log - 1];
  std::vector<WriterRun> runs;
  bool more = false;
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  if (status.ok()) {
    status = db->Read([&](SqlDb& c) {
      return ReadLogWriters(c, log, static_cast<uint64_t>(ask.from),
                            static_cast<size_t>(protocol::kMaxWriterRunsPerPage), &runs, &more);
    });
  }
  if (!status.ok()) {
    return protocol::ErrorReply(protocol::kOpLogWriters, protocol::kReplyStoreFailed,
                                status.message());
  }
  protocol::LogWritersReply reply;
  reply.runs.reserve(runs.size());
  for (WriterRun& run : runs) {
    reply.runs.push_back({static_cast<int64_t>(run.first), static_cast<int64_t>(run.last),
                          std::move(run.writer)});
  }
  reply.more = more;
  return protocol::EncodeReply(protocol::kOpLogWriters, reply);
}

}  // namespace tav::service
