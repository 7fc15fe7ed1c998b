#include "protocol/operations.h"

namespace tav::protocol {
namespace {

// Codes of the security service fit in 32 bits.
constexpr int64_t kMinCode = INT32_MIN;
constexpr int64_t kMaxCode = INT32_MAX;
constexpr int64_t kMaxToken = INT64_MAX;
// Replies carry texts the service wrote (messages, details): allow more.
constexpr size_t kMaxMessage = 64 * 1024;

}  // namespace

std::string OperationName(uint16_t operation) {
  switch (operation) {
    case kOpHello: return "hello";
    case kOpGetDomain: return "get domain";
    case kOpAuthenticate: return "authenticate";
    case kOpLogon: return "logon";
    case kOpDuplicateToken: return "duplicate token";
    case kOpCloseToken: return "close token";
    case kOpIsOsAdmin: return "is administrator";
    case kOpRecordLogoff: return "record logoff";
    case kOpRecordedUserName: return "recorded user name";
    case kOpListEvents: return "list events";
    case kOpVerifyEvents: return "verify events";
    case kOpVerifyStore: return "verify store";
    case kOpSignExport: return "sign export";
    case kOpLogWriters: return "log writers";
    case kOpRecordReview: return "record review";
    case kOpRunListDelete: return "run list delete";
    case kOpRunListMove: return "run list move";
    case kOpRunListImport: return "run list import";
    case kOpRunListRecord: return "run list record";
    case kOpRunListPage: return "run list page";
    case kOpRunHistoryPage: return "run history page";
    case kOpReadSetting: return "read setting";
    case kOpVerifySettings: return "verify settings";
    case kOpReadConfigTrail: return "read configuration trail";
    case kOpWriteSettings: return "write settings";
    case kOpAcceptSettings: return "accept settings";
    case kOpMayPerform: return "may perform";
    case kOpListAccounts: return "list accounts";
    case kOpChangeAccount: return "change account";
    case kOpChangePassword: return "change password";
    case kOpListChangedUids: return "list changed uids";
  }
  return "operation " + std::to_string(operation);
}

void EncodeUser(MessageWriter& w, const WireUser& user) {
  w.Bytes(user.user_name).Bytes(user.domain).Bytes(user.logon_server).Bytes(user.full_name);
  w.Bytes(user.description).Int(user.is_admin ? 1 : 0).StringList(user.groups);
  w.Int(user.password_expires_at).Int(user.password_warn_at);
}

WireUser DecodeUser(MessageReader& r) {
  WireUser user;
  user.user_name = r.Bytes();
  user.domain = r.Bytes();
  user.logon_server = r.Bytes();
  user.full_name = r.Bytes();
  user.description = r.Bytes();
  user.is_admin = r.Bool();
  user.groups = r.StringList();
  user.password_expires_at = r.IntIn(0, INT64_MAX);
  user.password_warn_at = r.IntIn(INT64_MIN, INT64_MAX);
  return user;
}

void EncodeActor(MessageWriter& w, const Actor& actor) {
  w.Int(actor.logon).Int(actor.show_system_user ? 1 : 0);
}

StoreStatus DecodeActor(MessageReader& r, Actor* actor) {
  actor->logon = r.IntIn(kStaleLogon, kMaxToken);
  actor->show_system_user = r.Bool();
  return r.status();
}

MessageWriter EncodeRequest(const HelloRequest& request) {
  MessageWriter w(kOpHello);
  w.Int(request.client_version);
  return w;
}

MessageWriter EncodeRequest(const AuthenticateRequest& request) {
  MessageWriter w(kOpAuthenticate);
  w.Int(static_cast<int64_t>(request.purpose)).Bytes(request.user).Bytes(request.domain);
  w.Bytes(request.password);
  return w;
}

MessageWriter EncodeRequest(const LogonRequest& request) {
  MessageWriter w(kOpLogon);
  w.Bytes(request.user).Bytes(request.domain).Bytes(request.password);
  w.Int(static_cast<int64_t>(request.purpose));
  return w;
}

MessageWriter EncodeTokenRequest(Operation op, const TokenRequest& request) {
  MessageWriter w(op);
  w.Int(request.token);
  return w;
}

MessageWriter EncodeNameRequest(const NameRequest& request) {
  MessageWriter w(kOpRecordedUserName);
  w.Bytes(request.name);
  return w;
}

MessageWriter EncodeEmptyRequest(Operation op) { return MessageWriter(op); }

StoreStatus DecodeRequest(MessageReader& r, HelloRequest* request) {
  request->client_version = r.IntIn(0, UINT16_MAX);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, AuthenticateRequest* request) {
  request->purpose = static_cast<AuthPurpose>(r.IntIn(0, 2));
  request->user = r.Bytes();
  request->domain = r.Bytes();
  request->password = r.Bytes();
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, LogonRequest* request) {
  request->user = r.Bytes();
  request->domain = r.Bytes();
  request->password = r.Bytes();
  request->purpose = static_cast<AuthPurpose>(
      r.IntIn(static_cast<int64_t>(AuthPurpose::kCheck), static_cast<int64_t>(AuthPurpose::kLogin)));
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, TokenRequest* request) {
  request->token = r.IntIn(0, kMaxToken);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, NameRequest* request) {
  request->name = r.Bytes();
  return r.Finish();
}

namespace {

MessageWriter OkReply(Operation op) {
  MessageWriter w(op);
  w.Int(kReplyOk);
  return w;
}

}  // namespace

MessageWriter EncodeReply(Operation op, const HelloReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.service_version).Int(reply.peer_uid);
  return w;
}

MessageWriter EncodeReply(Operation op, const DomainReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.has_domain ? 1 : 0).Bytes(reply.domain);
  return w;
}

MessageWriter EncodeReply(Operation op, const AuthenticateReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Int(reply.locked_now ? 1 : 0).Bytes(reply.recorded_name).Bytes(reply.detail);
  w.Int(reply.event_status).Bytes(reply.event_message);
  EncodeUser(w, reply.user);
  return w;
}

MessageWriter EncodeReply(Operation op, const LogonReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Int(reply.token).Bytes(reply.detail);
  EncodeUser(w, reply.user);
  w.Int(reply.locked_now ? 1 : 0).Bytes(reply.recorded_name);
  w.Int(reply.event_status).Bytes(reply.event_message.substr(0, kMaxMessage));
  return w;
}

MessageWriter EncodeReply(Operation op, const TokenReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Int(reply.token);
  return w;
}

MessageWriter EncodeReply(Operation op, const FlagReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.flag ? 1 : 0);
  return w;
}

MessageWriter EncodeReply(Operation op, const EventReply& reply) {
  MessageWriter w = OkReply(op);
  w.Int(reply.code).Int(reply.event_status).Bytes(reply.event_message);
  return w;
}

MessageWriter EncodeReply(Operation op, const NameReply& reply) {
  MessageWriter w = OkReply(op);
  w.Bytes(reply.name);
  return w;
}

MessageWriter ErrorReply(uint16_t op, int64_t status, const std::string& message) {
  MessageWriter w(op);
  w.Int(status).Bytes(message.substr(0, kMaxMessage));
  return w;
}

StoreStatus ReadReplyStatus(MessageReader& r, uint16_t expected_op) {
  if (r.ok() && r.version() != kProtocolVersion) {
    return StoreStatus(StoreStatus::kInvalid, "the compliance service speaks protocol version " +
                                                  std::to_string(r.version()) + ", not " +
                                                  std::to_string(kProtocolVersion));
  }
  if (r.ok() && r.operation() != expected_op) {
    return StoreStatus(StoreStatus::kInvalid, "the compliance service answered " +
                                                  OperationName(r.operation()) + " to " +
                                                  OperationName(expected_op));
  }
  const int64_t status = r.IntIn(kReplyStoreFailed, kReplyOk);
  if (!r.ok()) return r.status();
  if (status == kReplyOk) return StoreStatus::Ok();
  std::string message = r.Bytes(kMaxMessage);
  StoreStatus finished = r.Finish();
  if (!finished.ok()) return finished;
  return StoreStatus(status == kReplyStoreFailed ? StoreStatus::kUnavailable : StoreStatus::kInvalid,
                     message);
}

StoreStatus DecodeReply(MessageReader& r, HelloReply* reply) {
  reply->service_version = r.IntIn(0, UINT16_MAX);
  reply->peer_uid = r.IntIn(-1, UINT32_MAX);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, DomainReply* reply) {
  reply->has_domain = r.Bool();
  reply->domain = r.Bytes();
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, AuthenticateReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->locked_now = r.Bool();
  reply->recorded_name = r.Bytes();
  reply->detail = r.Bytes(kMaxMessage);
  reply->event_status = r.IntIn(kMinCode, kMaxCode);
  reply->event_message = r.Bytes(kMaxMessage);
  reply->user = DecodeUser(r);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, LogonReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->token = r.IntIn(0, kMaxToken);
  reply->detail = r.Bytes(kMaxMessage);
  reply->user = DecodeUser(r);
  reply->locked_now = r.Bool();
  reply->recorded_name = r.Bytes();
  reply->event_status = r.IntIn(kMinCode, kMaxCode);
  reply->event_message = r.Bytes(kMaxMessage);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, TokenReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->token = r.IntIn(0, kMaxToken);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, FlagReply* reply) {
  reply->flag = r.Bool();
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, EventReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->event_status = r.IntIn(kMinCode, kMaxCode);
  reply->event_message = r.Bytes(kMaxMessage);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, NameReply* reply) {
  reply->name = r.Bytes();
  return r.Finish();
}

}  // namespace tav::protocol
