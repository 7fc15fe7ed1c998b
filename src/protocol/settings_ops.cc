#include "protocol/settings_ops.h"

namespace tav::protocol {
namespace {

constexpr int64_t kMinCode = INT32_MIN;
constexpr int64_t kMaxCode = INT32_MAX;
constexpr int64_t kMaxSeq = INT64_MAX;
constexpr size_t kMaxMessage = 64 * 1024;
// A StoreStatus code: 0 (ok) to kTampered.
constexpr int64_t kMaxStoreCode = StoreStatus::kTampered;

MessageWriter OkReply(Operation op) {
  MessageWriter w(op);
  w.Int(kReplyOk);
  return w;
}

}  // namespace

void SetWireStatus(const StoreStatus& status, int64_t* code, std::string* message) {
  *code = static_cast<int64_t>(status.code());
  *message = status.ok() ? std::string() : status.message().substr(0, kMaxMessage);
}

StoreStatus WireStatus(int64_t code, const std::string& message) {
  if (code == 0) return StoreStatus::Ok();
  return StoreStatus(static_cast<StoreStatus::Code>(code), message);
}

MessageWriter EncodeRequest(const SettingRowRequest& request) {
  MessageWriter w(kOpReadSetting);
  w.Bytes(request.row);
  return w;
}

MessageWriter EncodeRequest(const TrailPageRequest& request) {
  MessageWriter w(kOpReadConfigTrail);
  w.Int(request.from);
  return w;
}

MessageWriter EncodeRequest(const WriteSettingsRequest& request) {
  MessageWriter w(kOpWriteSettings);
  EncodeActor(w, request.actor);
  w.Int(static_cast<int64_t>(request.writes.size()));
  for (const SettingWrite& write : request.writes) {
    w.Bytes(write.row).Int(write.has_base ? 1 : 0).Bytes(write.base).Bytes(write.edit);
    w.Bytes(write.reason);
  }
  return w;
}

MessageWriter EncodeRequest(const AcceptSettingsRequest& request) {
  MessageWriter w(kOpAcceptSettings);
  EncodeActor(w, request.actor);
  w.Bytes(request.reason);
  return w;
}

MessageWriter EncodeRequest(const MayPerformRequest& request) {
  MessageWriter w(kOpMayPerform);
  w.Int(request.logon).Int(request.activity);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, SettingRowRequest* request) {
  request->row = r.Bytes(kMaxRowName);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, TrailPageRequest* request) {
  request->from = r.IntIn(0, kMaxSeq);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, WriteSettingsRequest* request) {
  DecodeActor(r, &request->actor);
  const int64_t count = r.IntIn(1, kMaxSettingWrites);
  request->writes.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    SettingWrite write;
    write.row = r.Bytes(kMaxRowName);
    write.has_base = r.Bool();
    write.base = r.Bytes(kMaxRecordBytes);
    write.edit = r.Bytes(kMaxRecordBytes);
    write.reason = r.Bytes();
    request->writes.push_back(std::move(write));
  }
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, AcceptSettingsRequest* request) {
  DecodeActor(r, &request->actor);
  request->reason = r.Bytes();
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, MayPerformRequest* request) {
  request->logon = r.IntIn(kStaleLogon, INT64_MAX);
  request->activity = r.IntIn(kMinCode, kMaxCode);
  return r.Finish();
}

MessageWriter EncodeReply(Operation op, const SettingRowReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.status).Bytes(reply.message.substr(0, kMaxMessage)).Bytes(reply.record);
  return w;
}

MessageWriter EncodeReply(Operation op, const StoreResultReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.status).Bytes(reply.message.substr(0, kMaxMessage));
  return w;
}

MessageWriter EncodeReply(Operation op, const TrailPageReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.status).Bytes(reply.message.substr(0, kMaxMessage)).Int(static_cast<int64_t>(reply.events.size()));
  for (size_t i = 0; i < reply.events.size(); ++i) w.Int(reply.numbers[i]).Bytes(reply.events[i]);
  w.Int(reply.next).Int(reply.more ? 1 : 0);
  return w;
}

MessageWriter EncodeReply(Operation op, const WriteSettingsReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Bytes(reply.message.substr(0, kMaxMessage)).Int(reply.changed ? 1 : 0).Int(
      static_cast<int64_t>(reply.stored.size()));
  for (const std::string& record : reply.stored) w.Bytes(record);
  return w;
}

MessageWriter EncodeReply(Operation op, const MayPerformReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Int(reply.allowed ? 1 : 0).Int(reply.features_on ? 1 : 0);
  w.Int(reply.status).Bytes(reply.message.substr(0, kMaxMessage));
  return w;
}

StoreStatus DecodeReply(MessageReader& r, SettingRowReply* reply) {
  reply->status = r.IntIn(0, kMaxStoreCode);
  reply->message = r.Bytes(kMaxMessage);
  reply->record = r.Bytes(kMaxRecordBytes);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, StoreResultReply* reply) {
  reply->status = r.IntIn(0, kMaxStoreCode);
  reply->message = r.Bytes(kMaxMessage);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, TrailPageReply* reply) {
  reply->status = r.IntIn(0, kMaxStoreCode);
  reply->message = r.Bytes(kMaxMessage);
  // Each event takes more than 13 bytes of the frame: the count is bounded
  // by the frame before any event is read.
  const int64_t count = r.IntIn(0, kMaxPayloadBytes / 13);
  reply->numbers.clear();
  reply->events.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    reply->numbers.push_back(r.IntIn(1, kMaxSeq));
    reply->events.push_back(r.Bytes(kMaxRecordBytes));
  }
  reply->next = r.IntIn(0, kMaxSeq);
  reply->more = r.Bool();
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, WriteSettingsReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->message = r.Bytes(kMaxMessage);
  reply->changed = r.Bool();
  const int64_t count = r.IntIn(0, kMaxSettingWrites);
  reply->stored.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) reply->stored.push_back(r.Bytes(kMaxRecordBytes));
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, MayPerformReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->allowed = r.Bool();
  reply->features_on = r.Bool();
  reply->status = r.IntIn(0, kMaxStoreCode);
  reply->message = r.Bytes(kMaxMessage);
  return r.Finish();
}

}  // namespace tav::protocol
