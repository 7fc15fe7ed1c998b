#include "client/event_log_proxy.h"

#include <atomic>
#include <algorithm>

#include "client/service_client.h"
#include "protocol/event_ops.h"
#include "services/filelib/log_writers.h"
#include "services/filelib/record_chain.h"

namespace tav::client {
namespace {


std::atomic<int64_t> g_page_limit{0};

}  // namespace

bool EventLogProxy::InUse() { return UsesComplianceService(); }

StoreStatus EventLogProxy::ForEachEvent(
    const std::function<bool(uint64_t, std::string_view)>& row, uint64_t* last_seq) {
  const int64_t limit = g_page_limit.load();
  protocol::ListEventsRequest request;
  request.limit = limit > 0 ? std::min(limit, protocol::kMaxEventsPerPage)
                            : protocol::kMaxEventsPerPage;
  bool first_page = true;
  for (;;) {
    protocol::ListEventsReply page;
    StoreStatus status =
        CallForReply(protocol::EncodeRequest(request), protocol::kOpListEvents, &page);
    if (!status.ok()) return status;
    if (first_page && last_seq != nullptr) *last_seq = static_cast<uint64_t>(page.last_seq);
    first_page = false;
    for (const protocol::StoredEvent& event : page.events) {
      // A page that goes back would repeat events (or loop forever).
      if (event.seq < request.from) {
        return StoreStatus(StoreStatus::kInvalid,
                           "the compliance service sent event " + std::to_string(event.seq) +
                               " when asked for events from " + std::to_string(request.from));
      }
      if (!row(static_cast<uint64_t>(event.seq), event.record)) return StoreStatus::Ok();
    }
    if (!page.more) return StoreStatus::Ok();
    // The decoder refuses a page that says more without events.
    request.from = page.events.back().seq + 1;
  }
}

StoreStatus EventLogProxy::VerifyEventLog(int* result, ChainReport* report, std::string* error) {
  protocol::VerifyEventsReply reply;
  StoreStatus status = CallForReply(protocol::EncodeEmptyRequest(protocol::kOpVerifyEvents),
                            protocol::kOpVerifyEvents, &reply);
  if (!status.ok()) return status;
  *result = static_cast<int>(reply.result);
  *error = reply.error;
  *report = ChainReport();
  report->count = static_cast<uint64_t>(reply.count);
  report->last_seq = static_cast<uint64_t>(reply.last_seq);
  // The decoder let only 32 bytes or none through.
  std::copy(reply.head.begin(), reply.head.end(), report->head.begin());
  for (const protocol::WireChainProblem& p : reply.problems) {
    report->problems.push_back({static_cast<ChainProblem::Kind>(p.kind),
                                static_cast<uint64_t>(p.seq), static_cast<uint64_t>(p.seq_last),
                                p.text});
  }
  if (reply.problems_left_out > 0) {
    // Said as a problem of its own, so that no count of problems reads as
    // all of them.
    const ChainProblem last = report->problems.empty()
                                  ? ChainProblem{ChainProblem::kChanged, 0, 0, ""}
                                  : report->problems.back();
    report->problems.push_back({last.kind, last.seq, last.seq_last,
                                "and " + std::to_string(reply.problems_left_out) +
                                    " more problems (the service lists the first " +
                                    std::to_string(protocol::kMaxChainProblems) + ")"});
  }
  return StoreStatus::Ok();
}

StoreStatus VerifyStoreThroughService(StoreVerification* out) {
  protocol::VerifyStoreReply reply;
  StoreStatus status = CallForReply(protocol::EncodeEmptyRequest(protocol::kOpVerifyStore),
                                    protocol::kOpVerifyStore, &reply);
  if (!status.ok()) return status;
  out->intact = reply.intact;
  out->lines = std::move(reply.lines);
  if (reply.lines_left_out > 0) {
    out->lines.push_back("and " + std::to_string(reply.lines_left_out) +
                         " more lines (the service sends the first " +
                         std::to_string(protocol::kMaxReportLines) + ")");
  }
  if (reply.status_code != 0) {
    return StoreStatus(static_cast<StoreStatus::Code>(reply.status_code),
                       reply.error.empty() ? "the service could not check the store" : reply.error);
  }
  return StoreStatus::Ok();
}

StoreStatus SignExportThroughService(const protocol::SignExportRequest& request,
                                     std::string* signature_file, std::string* note) {
  protocol::SignExportReply reply;
  StoreStatus status =
      CallForReply(protocol::EncodeRequest(request), protocol::kOpSignExport, &reply);
  if (!status.ok()) return status;
  if (reply.status_code != 0) {
    return StoreStatus(static_cast<StoreStatus::Code>(reply.status_code),
                       reply.error.empty() ? "the service did not sign the export" : reply.error);
  }
  *signature_file = std::move(reply.signature_file);
  *note = std::move(reply.note);
  return StoreStatus::Ok();
}

StoreStatus EventLogProxy::SignExport(int log, int format, uint64_t through,
                                      std::string_view sha256, std::string* signature_file,
                                      std::string* note) {
  protocol::SignExportRequest request;
  request.log = log;
  request.format = format;
  request.through = static_cast<int64_t>(through);
  request.sha256 = std::string(sha256);
  return SignExportThroughService(request, signature_file, note);
}

StoreStatus EventLogProxy::RecordReview(const std::string& user, const std::string& domain,
                                        const char* password, AuditReview* review, int* code,
                                        std::string* recorded) {
  protocol::RecordReviewReply reply;
  StoreStatus status;
  {
    // The password goes straight into the request buffer, which is wiped.
    protocol::MessageWriter writer(protocol::kOpRecordReview);
    writer.Bytes(user).Bytes(domain).Bytes(password != nullptr ? password : "");
    writer.Int(static_cast<int64_t>(review->log)).Int(static_cast<int64_t>(review->first));
    writer.Int(static_cast<int64_t>(review->last)).Bytes(review->meaning).Bytes(review->comment);
    status = CallForReply(writer, protocol::kOpRecordReview, &reply);
  }
  if (!status.ok()) return status;
  *code = static_cast<int>(reply.code);
  *recorded = std::move(reply.recorded_name);
  if (reply.status_code != 0) {
    return StoreStatus(static_cast<StoreStatus::Code>(reply.status_code),
                       reply.message.empty() ? "the service did not record the review"
                                             : reply.message);
  }
  review->count = static_cast<uint64_t>(reply.count);
  return StoreStatus::Ok();
}

StoreStatus EventLogProxy::LogWriters(ChainedLog log, std::vector<WriterRun>* runs) {
  runs->clear();
  protocol::LogWritersRequest request;
  request.log = log == ChainedLog::kSystemEvents ? 1 : log == ChainedLog::kConfigAudit ? 2 : 3;
  for (bool more = true; more;) {
    protocol::LogWritersReply reply;
    StoreStatus status =
        CallForReply(protocol::EncodeRequest(request), protocol::kOpLogWriters, &reply);
    if (!status.ok()) return status;
    // Each page goes on after the one before (the decoder keeps a page in
    // order), so that a service cannot keep the client asking.
    if (!reply.runs.empty() && !runs->empty() &&
        static_cast<uint64_t>(reply.runs.front().first) <= runs->back().last) {
      return StoreStatus(StoreStatus::kInvalid, "the service repeated the writers of a log");
    }
    for (protocol::WireWriterRun& run : reply.runs) {
      runs->push_back({static_cast<uint64_t>(run.first), static_cast<uint64_t>(run.last),
                       std::move(run.writer)});
    }
    more = reply.more;
    if (more) request.from = reply.runs.back().last + 1;
  }
  return StoreStatus::Ok();
}

EventLogProxy& TheEventLogProxy() {
  static EventLogProxy proxy;
  return proxy;
}

void SetEventPageLimitForTesting(int64_t limit) { g_page_limit.store(limit); }

}  // namespace tav::client
