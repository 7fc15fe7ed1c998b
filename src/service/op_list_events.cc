// kOpListEvents: one page of the system event log, the stored records as
// they are. Any peer that may connect (the socket admits the suite's users)
// may read the log; what a client makes of the records (a list, an export
// file) it makes in its own process.
#include "protocol/event_ops.h"
#include "service/handlers.h"
#include "services/filelib/system_event_manager.h"

namespace tav::service {

HandlerReply HandleListEvents(Session&, protocol::MessageReader& request) {
  protocol::ListEventsRequest list;
  if (!protocol::DecodeRequest(request, &list).ok()) return std::nullopt;
  CSystemEventManager events;
  std::vector<std::pair<uint64_t, std::string>> page;
  bool more = false;
  uint64_t last_seq = 0;
  StoreStatus status =
      events.ReadEventPage(static_cast<uint64_t>(list.from), static_cast<size_t>(list.limit),
                           protocol::kEventPageBytes, &page, &more, &last_seq);
  if (!status.ok()) {
    return protocol::ErrorReply(protocol::kOpListEvents, protocol::kReplyStoreFailed,
                                status.message());
  }
  protocol::ListEventsReply reply;
  reply.events.reserve(page.size());
  for (auto& [seq, record] : page) {
    reply.events.push_back({static_cast<int64_t>(seq), std::move(record)});
  }
  reply.more = more;
  reply.last_seq = static_cast<int64_t>(last_seq);
  return protocol::EncodeReply(protocol::kOpListEvents, reply);
}

}  // namespace tav::service
