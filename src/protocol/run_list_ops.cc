#include "protocol/run_list_ops.h"

namespace tav::protocol {
namespace {

// Result codes of the run list (negative) and of the security service.
constexpr int64_t kMinCode = INT32_MIN;
constexpr int64_t kMaxCode = INT32_MAX;

MessageWriter OkReply(Operation op) {
  MessageWriter w(op);
  w.Int(kReplyOk);
  return w;
}

}  // namespace

MessageWriter EncodeRequest(const RunListDeleteRequest& request) {
  MessageWriter w(kOpRunListDelete);
  EncodeActor(w, request.actor);
  w.Bytes(request.path).Int(request.file_existed ? 1 : 0);
  return w;
}

MessageWriter EncodeRequest(const RunListMoveRequest& request) {
  MessageWriter w(kOpRunListMove);
  EncodeActor(w, request.actor);
  w.Bytes(request.new_path).Bytes(request.old_path).Int(request.replaced ? 1 : 0);
  return w;
}

MessageWriter EncodeRequest(const RunListImportRequest& request) {
  MessageWriter w(kOpRunListImport);
  EncodeActor(w, request.actor);
  w.Bytes(request.path);
  return w;
}

MessageWriter EncodeRequest(const RunListRecordRequest& request) {
  MessageWriter w(kOpRunListRecord);
  EncodeActor(w, request.actor);
  w.Int(request.type).Bytes(request.path).Bytes(request.source_path);
  return w;
}

MessageWriter EncodePageRequest(Operation op, const RunListPageRequest& request) {
  MessageWriter w(op);
  w.Int(request.start);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, RunListDeleteRequest* request) {
  DecodeActor(r, &request->actor);
  request->path = r.Bytes(kMaxRunFilePath);
  request->file_existed = r.Bool();
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, RunListMoveRequest* request) {
  DecodeActor(r, &request->actor);
  request->new_path = r.Bytes(kMaxRunFilePath);
  request->old_path = r.Bytes(kMaxRunFilePath);
  request->replaced = r.Bool();
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, RunListImportRequest* request) {
  DecodeActor(r, &request->actor);
  request->path = r.Bytes(kMaxRunFilePath);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, RunListRecordRequest* request) {
  DecodeActor(r, &request->actor);
  request->type = r.IntIn(kMinCode, kMaxCode);
  request->path = r.Bytes(kMaxRunFilePath);
  request->source_path = r.Bytes(kMaxRunFilePath);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, RunListPageRequest* request) {
  request->start = r.IntIn(0, INT64_MAX);
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const RunListOpReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Bytes(reply.record);
  return w;
}

MessageWriter EncodeReply(Operation op, const RunListPageReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.total).Int(reply.next).Int(reply.more ? 1 : 0);
  w.Int(static_cast<int64_t>(reply.records.size()));
  for (const std::string& record : reply.records) w.Bytes(record);
  return w;
}

StoreStatus DecodeReply(MessageReader& r, RunListOpReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->record = r.Bytes(kMaxRunRecordBytes);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, RunListPageReply* reply) {
  reply->total = r.IntIn(0, INT64_MAX);
  reply->next = r.IntIn(0, INT64_MAX);
  reply->more = r.Bool();
  const int64_t count = r.IntIn(0, static_cast<int64_t>(kRunListPageRecords));
  reply->records.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    reply->records.push_back(r.Bytes(kMaxRunRecordBytes));
  }
  return r.Finish();
}

}  // namespace tav::protocol
