#include "protocol/account_ops.h"

namespace tav::protocol {
namespace {

constexpr size_t kMaxMessage = 64 * 1024;
constexpr int64_t kMinCode = INT32_MIN;
constexpr int64_t kMaxCode = INT32_MAX;

void EncodeAccount(MessageWriter& w, const WireAccount& account) {
  w.Bytes(account.name).Bytes(account.full_name).Bytes(account.description);
  w.StringList(account.groups).Int(account.is_admin ? 1 : 0).Int(account.disabled ? 1 : 0);
  w.Int(account.removed_at).Int(account.must_change ? 1 : 0).Int(account.password_set_at);
}

WireAccount DecodeAccount(MessageReader& r) {
  WireAccount account;
  account.name = r.Bytes();
  account.full_name = r.Bytes();
  account.description = r.Bytes();
  account.groups = r.StringList();
  account.is_admin = r.Bool();
  account.disabled = r.Bool();
  account.removed_at = r.IntIn(0, INT64_MAX);
  account.must_change = r.Bool();
  account.password_set_at = r.IntIn(0, INT64_MAX);
  return account;
}

}  // namespace

MessageWriter EncodeRequest(const ListAccountsRequest& request) {
  MessageWriter w(kOpListAccounts);
  EncodeActor(w, request.actor);
  w.Int(request.include_removed ? 1 : 0);
  return w;
}

MessageWriter EncodeRequest(const ListChangedUidsRequest& request) {
  MessageWriter w(kOpListChangedUids);
  EncodeActor(w, request.actor);
  return w;
}

MessageWriter EncodeRequest(const ChangePasswordRequest& request, std::string_view old_password,
                            std::string_view new_password) {
  MessageWriter w(kOpChangePassword);
  w.Bytes(request.user).Bytes(request.domain).Bytes(old_password).Bytes(new_password);
  return w;
}

MessageWriter EncodeRequest(const ChangeAccountRequest& request, std::string_view password) {
  MessageWriter w(kOpChangeAccount);
  EncodeActor(w, request.actor);
  w.Int(static_cast<int64_t>(request.change));
  EncodeAccount(w, request.account);
  w.Bytes(password);
  return w;
}

StoreStatus DecodeRequest(MessageReader& r, ListAccountsRequest* request) {
  DecodeActor(r, &request->actor);
  request->include_removed = r.Bool();
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, ListChangedUidsRequest* request) {
  DecodeActor(r, &request->actor);
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, ChangePasswordRequest* request) {
  request->user = r.Bytes();
  request->domain = r.Bytes();
  request->old_password = r.Bytes();
  request->new_password = r.Bytes();
  return r.Finish();
}

StoreStatus DecodeRequest(MessageReader& r, ChangeAccountRequest* request) {
  DecodeActor(r, &request->actor);
  request->change = static_cast<AccountChange>(r.IntIn(static_cast<int64_t>(AccountChange::kAdd),
                                                       static_cast<int64_t>(AccountChange::kConfirmUid)));
  request->account = DecodeAccount(r);
  request->password = r.Bytes();
  return r.Finish();
}

MessageWriter EncodeReply(const ListAccountsReply& reply) {
  MessageWriter w(kOpListAccounts);
  w.Int(kReplyOk).Int(reply.code).Bytes(reply.message.substr(0, kMaxMessage));
  w.Int(static_cast<int64_t>(reply.accounts.size()));
  for (const WireAccount& account : reply.accounts) EncodeAccount(w, account);
  return w;
}

MessageWriter EncodeReply(const ListChangedUidsReply& reply) {
  MessageWriter w(kOpListChangedUids);
  w.Int(kReplyOk).Int(reply.code).Bytes(reply.message.substr(0, kMaxMessage));
  w.Int(static_cast<int64_t>(reply.uids.size()));
  for (const WireChangedUid& uid : reply.uids) w.Bytes(uid.name).Int(uid.uid).Int(uid.refused_uid);
  return w;
}

MessageWriter EncodeReply(const ChangeAccountReply& reply) {
  MessageWriter w(kOpChangeAccount);
  w.Int(kReplyOk).Int(reply.code).Bytes(reply.message.substr(0, kMaxMessage));
  w.Int(reply.was_locked ? 1 : 0).Int(reply.event_status);
  w.Bytes(reply.event_message.substr(0, kMaxMessage));
  return w;
}

MessageWriter EncodeReply(const ChangePasswordReply& reply) {
  MessageWriter w(kOpChangePassword);
  w.Int(kReplyOk).Int(reply.code).Bytes(reply.reason.substr(0, kMaxMessage));
  w.Bytes(reply.detail.substr(0, kMaxMessage)).Int(reply.locked_now ? 1 : 0);
  w.Bytes(reply.recorded_name).Int(reply.event_status);
  w.Bytes(reply.event_message.substr(0, kMaxMessage));
  return w;
}

StoreStatus DecodeReply(MessageReader& r, ChangePasswordReply* reply) {
  reply->code = r.IntIn(kMinCode, kMaxCode);
  reply->reason = r.Bytes(kMaxMessage);
  reply->detail = r.Bytes(kMaxMessage);
  reply->locked_now = r.Bool();
  reply->recorded_name = r.Bytes();
  reply->event_status = r.IntIn(kMinCode, kMaxCode);
  reply->event_message = r.Bytes(kMaxMessage);
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, ListAccountsReply* reply) {
  reply->code = r.IntIn(kAccountOk, kAccountNoLogon);
  reply->message = r.Bytes(kMaxMessage);
  // Each account takes more than 13 bytes of the frame: the count is
  // bounded by the frame before any account is read.
  const int64_t count = r.IntIn(0, kMaxPayloadBytes / 13);
  reply->accounts.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) reply->accounts.push_back(DecodeAccount(r));
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, ListChangedUidsReply* reply) {
  reply->code = r.IntIn(kAccountOk, kAccountNoLogon);
  reply->message = r.Bytes(kMaxMessage);
  // Each entry takes at least 23 bytes of the frame (an empty name and two
  // integers): the count is bounded by the frame before any is read.
  const int64_t count = r.IntIn(0, kMaxPayloadBytes / 23);
  reply->uids.clear();
  for (int64_t i = 0; i < count && r.ok(); ++i) {
    WireChangedUid uid;
    uid.name = r.Bytes();
    uid.uid = r.IntIn(0, UINT32_MAX);
    uid.refused_uid = r.IntIn(0, UINT32_MAX);
    reply->uids.push_back(std::move(uid));
  }
  return r.Finish();
}

StoreStatus DecodeReply(MessageReader& r, ChangeAccountReply* reply) {
  reply->code = r.IntIn(kAccountOk, kAccountNoLogon);
  reply->message = r.Bytes(kMaxMessage);
  reply->was_locked = r.Bool();
  reply->event_status = r.IntIn(kMinCode, kMaxCode);
  reply->event_message = r.Bytes(kMaxMessage);
  return r.Finish();
}

}  // namespace tav::protocol
