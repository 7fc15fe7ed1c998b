// kOpVerifyEvents: the hash chain check of the system event log, run here
// where the store is. Damage found also goes to the system log
// (CSystemEventManager::VerifyEventLog). Any peer may ask, as for the
// listing; the check changes nothing.
#include "protocol/event_ops.h"
#include "service/handlers.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/system_event_manager.h"

namespace tav::service {

HandlerReply HandleVerifyEvents(Session&, protocol::MessageReader& request) {
  if (!request.Finish().ok()) return std::nullopt;
  CSystemEventManager events;
  ChainReport report;
  std::string error;
  protocol::VerifyEventsReply reply;
  reply.result = events.VerifyEventLog(&report, &error);
  reply.error = error;
  reply.count = static_cast<int64_t>(report.count);
  reply.last_seq = static_cast<int64_t>(report.last_seq);
  if (report.count != 0) reply.head = std::string(ChainHashBytes(report.head));
  for (const ChainProblem& problem : report.problems) {
    if (reply.problems.size() == static_cast<size_t>(protocol::kMaxChainProblems)) {
      ++reply.problems_left_out;
      continue;
    }
    reply.problems.push_back({problem.kind, static_cast<int64_t>(problem.seq),
                              static_cast<int64_t>(problem.seq_last),
                              problem.text.substr(0, protocol::kMaxTextField)});
  }
  return protocol::EncodeReply(protocol::kOpVerifyEvents, reply);
}

}  // namespace tav::service
