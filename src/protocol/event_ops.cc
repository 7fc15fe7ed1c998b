#include "protocol/event_ops.h"

namespace tav::protocol {
namespace {

constexpr int64_t kMaxSeq = INT64_MAX;
constexpr int64_t kMinCode = INT32_MIN;
constexpr size_t kMaxError = 64 * 1024;
constexpr size_t kHeadBytes = 32;
// ChainProblem::Kind runs from kChanged (0) to kBadHead (3).
constexpr int64_t kLastProblemKind = 3;

MessageWriter OkReply(Operation op) {
  MessageWriter w(op);
  w.Int(kReplyOk);
  return w;
}

}  // namespace

MessageWriter EncodeRequest(const ListEventsRequest& request) {
  MessageWriter w(kOpListEvents);
  w.Int(request.from).Int(request.limit);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, ListEventsRequest* request) {
  request->from = r.IntIn(1, kMaxSeq);
  request->limit = r.IntIn(1, kMaxEventsPerPage);
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const ListEventsReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(static_cast<int64_t>(reply.events.size()));
  for (const StoredEvent& event : reply.events) w.Int(event.seq).Bytes(event.record);
  w.Int(reply.more ? 1 : 0).Int(reply.last_seq);
  return w;
}

StoreStatus DecodeReply(MessageReader& r, ListEventsReply* reply) {
  reply->events.clear();
  const int64_t count = r.IntIn(0, kMaxEventsPerPage);
  int64_t previous = 0;
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    StoredEvent event;
    event.seq = r.IntIn(1, kMaxSeq);
    event.record = r.Bytes(kMaxEventRecordBytes);
    // In order, each after the one before: a client goes on from the last.
    if (r.ok() && event.seq <= previous) {
      return StoreStatus(StoreStatus::kInvalid, "the events of a page are out of order");
    }
    previous = event.seq;
    reply->events.push_back(std::move(event));
  }
  reply->more = r.Bool();
  reply->last_seq = r.IntIn(0, kMaxSeq);
  // More follow only after something: a page without events that says
  // more would make the client ask for the same page again forever.
  if (r.ok() && reply->more && reply->events.empty()) {
    return StoreStatus(StoreStatus::kInvalid, "an empty page of events says that more follow");
  }
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const VerifyEventsReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.result).Bytes(reply.error).Int(reply.count).Int(reply.last_seq).Bytes(reply.head);
  w.Int(static_cast<int64_t>(reply.problems.size()));
  for (const WireChainProblem& p : reply.problems) {
    w.Int(p.kind).Int(p.seq).Int(p.seq_last).Bytes(p.text);
  }
  w.Int(reply.problems_left_out);
  return w;
}

StoreStatus DecodeReply(MessageReader& r, VerifyEventsReply* reply) {
  reply->result = r.IntIn(kMinCode, 0);
  reply->error = r.Bytes(kMaxError);
  reply->count = r.IntIn(0, kMaxSeq);
  reply->last_seq = r.IntIn(0, kMaxSeq);
  reply->head = r.Bytes(kHeadBytes);
  if (r.ok() && !reply->head.empty() && reply->head.size() != kHeadBytes) {
    return StoreStatus(StoreStatus::kInvalid, "a chain head is not 32 bytes long");
  }
  const int64_t count = r.IntIn(0, kMaxChainProblems);
  reply->problems.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    WireChainProblem p;
    p.kind = r.IntIn(0, kLastProblemKind);
    p.seq = r.IntIn(0, kMaxSeq);
    p.seq_last = r.IntIn(0, kMaxSeq);
    p.text = r.Bytes();
    reply->problems.push_back(std::move(p));
  }
  reply->problems_left_out = r.IntIn(0, kMaxSeq);
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const VerifyStoreReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.status_code).Bytes(reply.error).Int(reply.intact ? 1 : 0);
  w.Int(static_cast<int64_t>(reply.lines.size()));
  for (const std::string& line : reply.lines) w.Bytes(line);
  w.Int(reply.lines_left_out);
  return w;
}

StoreStatus DecodeReply(MessageReader& r, VerifyStoreReply* reply) {
  reply->status_code = r.IntIn(0, StoreStatus::kTampered);
  reply->error = r.Bytes(kMaxVerifyStoreError);
  reply->intact = r.Bool();
  const int64_t count = r.IntIn(0, kMaxReportLines);
  reply->lines.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) reply->lines.push_back(r.Bytes());
  reply->lines_left_out = r.IntIn(0, kMaxSeq);
  return r.Finish();
}

MessageWriter EncodeRequest(const RecordReviewRequest& request) {
  MessageWriter w(kOpRecordReview);
  w.Bytes(request.user).Bytes(request.domain).Bytes(request.password);
  w.Int(request.log).Int(request.first).Int(request.last);
  w.Bytes(request.meaning).Bytes(request.comment);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, RecordReviewRequest* request) {
  request->user = r.Bytes();
  request->domain = r.Bytes();
  request->password = r.Bytes();
  request->log = r.IntIn(0, 1);
  request->first = r.IntIn(1, kMaxSeq);
  request->last = r.IntIn(1, kMaxSeq);
  request->meaning = r.Bytes(kMaxReviewMeaning);
  request->comment = r.Bytes();
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const RecordReviewReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Bytes(reply.recorded_name).Int(reply.status_code);
  w.Bytes(reply.message.substr(0, kMaxError)).Int(reply.count);
  return w;
}

StoreStatus DecodeReply(MessageReader& r, RecordReviewReply* reply) {
  reply->code = r.IntIn(kMinCode, INT32_MAX);
  reply->recorded_name = r.Bytes();
  reply->status_code = r.IntIn(0, StoreStatus::kTampered);
  reply->message = r.Bytes(kMaxError);
  reply->count = r.IntIn(0, kMaxSeq);
  return r.Finish();
}

MessageWriter EncodeRequest(const SignExportRequest& request) {
  MessageWriter w(kOpSignExport);
  w.Int(request.log).Int(request.format).Int(request.through).Bytes(request.sha256);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, SignExportRequest* request) {
  request->log = r.IntIn(0, 1);
  request->format = r.IntIn(0, 1);
  request->through = r.IntIn(0, kMaxSeq);
  request->sha256 = r.Bytes(kHeadBytes);
  if (r.ok() && request->sha256.size() != kHeadBytes) {
    return StoreStatus(StoreStatus::kInvalid, "a SHA-256 is 32 bytes");
  }
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const SignExportReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.status_code).Bytes(reply.error.substr(0, kMaxError));
  w.Bytes(reply.signature_file.substr(0, kMaxSignatureFile)).Bytes(reply.note.substr(0, kMaxError));
  return w;
}

StoreStatus DecodeReply(MessageReader& r, SignExportReply* reply) {
  reply->status_code = r.IntIn(0, StoreStatus::kTampered);
  reply->error = r.Bytes(kMaxError);
  reply->signature_file = r.Bytes(kMaxSignatureFile);
  reply->note = r.Bytes(kMaxError);
  return r.Finish();
}

MessageWriter EncodeRequest(const LogWritersRequest& request) {
  MessageWriter w(kOpLogWriters);
  w.Int(request.log).Int(request.from);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, LogWritersRequest* request) {
  request->log = r.IntIn(1, 3);
  request->from = r.IntIn(1, kMaxSeq);
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const LogWritersReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(static_cast<int64_t>(reply.runs.size()));
  for (const WireWriterRun& run : reply.runs) {
    w.Int(run.first).Int(run.last).Bytes(run.writer.substr(0, kMaxWriterBytes));
  }
  w.Int(reply.more ? 1 : 0);
  return w;
}

StoreStatus DecodeReply(MessageReader& r, LogWritersReply* reply) {
  reply->runs.clear();
  const int64_t count = r.IntIn(0, kMaxWriterRunsPerPage);
  int64_t previous = 0;
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    WireWriterRun run;
    run.first = r.IntIn(1, kMaxSeq);
    run.last = r.IntIn(1, kMaxSeq);
    run.writer = r.Bytes(kMaxWriterBytes);
    // In order and apart: a client goes on after the last run.
    if (r.ok() && (run.first <= previous || run.last < run.first)) {
      return StoreStatus(StoreStatus::kInvalid, "the writers of a log are out of order");
    }
    previous = run.last;
    reply->runs.push_back(std::move(run));
  }
  reply->more = r.Bool();
  if (r.ok() && reply->more && reply->runs.empty()) {
    return StoreStatus(StoreStatus::kInvalid, "an empty page of writers says that more follow");
  }
  return r.Finish();
}

}  // namespace tav::protocol
