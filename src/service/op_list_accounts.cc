// kOpListAccounts: the local backend's accounts (and, when asked, the
// retired ones), for a system administrator
// (root may read the database anyway) or an actor who may change them. A
// database that does not exist yet holds no accounts.
// kOpListChangedUids: for the same callers, the system accounts whose
// logons are refused because their uid changed.
#include <memory>

#include "service/account_handling.h"
#include "service/handlers.h"
#include "services/security/account_store.h"
#include "util/data_dir.h"

namespace tav::service {

namespace {

// A system administrator, or an actor who may change the accounts; the
// refusal in *code and *message otherwise.
bool MayList(Session& session, const protocol::Actor& actor, int64_t* code,
             std::string* message) {
  if (PeerIsOsAdmin(session.peer().uid)) return true;
  std::string name;
  *code = MayManageAccounts(session, actor, &name, message);
  return *code == protocol::kAccountOk;
}

}  // namespace

HandlerReply HandleListChangedUids(Session& session, protocol::MessageReader& request) {
  protocol::ListChangedUidsRequest list;
  if (!protocol::DecodeRequest(request, &list).ok()) return std::nullopt;
  protocol::ListChangedUidsReply reply;
  if (!MayList(session, list.actor, &reply.code, &reply.message)) {
    return protocol::EncodeReply(reply);
  }
  SecurityConfig config;
  reply.code = LoadAccountsConfig(&config, &reply.message);
  if (reply.code != protocol::kAccountOk) return protocol::EncodeReply(reply);
  std::unique_ptr<AccountStore> store;
  std::vector<AccountStore::SystemUid> uids;
  AccountStore::Status status = AccountStore::Open(
      config.data_dir + "/" + kAccountsDbFile, AccountStore::Mode::kReadOnly, &store,
      &reply.message);
  if (status == AccountStore::Status::kOk) status = store->ListSystemUids(&uids, &reply.message);
  if (status == AccountStore::Status::kMissing) {
    reply.message.clear();  // no logon has been seen yet
    return protocol::EncodeReply(reply);
  }
  if (status != AccountStore::Status::kOk) {
    reply.code = protocol::kAccountFailed;
    return protocol::EncodeReply(reply);
  }
  for (AccountStore::SystemUid& uid : uids) {
    if (uid.refused_uid < 0) continue;
    reply.uids.push_back({std::move(uid.name), uid.uid, uid.refused_uid});
  }
  return protocol::EncodeReply(reply);
}

HandlerReply HandleListAccounts(Session& session, protocol::MessageReader& request) {
  protocol::ListAccountsRequest list;
  if (!protocol::DecodeRequest(request, &list).ok()) return std::nullopt;
  protocol::ListAccountsReply reply;
  if (!MayList(session, list.actor, &reply.code, &reply.message)) {
    return protocol::EncodeReply(reply);
  }
  SecurityConfig config;
  reply.code = LoadAccountsConfig(&config, &reply.message);
  if (reply.code != protocol::kAccountOk) return protocol::EncodeReply(reply);

  std::unique_ptr<AccountStore> store;
  std::vector<Account> accounts;
  AccountStore::Status status = AccountStore::Open(
      config.data_dir + "/" + kAccountsDbFile, AccountStore::Mode::kReadOnly, &store,
      &reply.message);
  if (status == AccountStore::Status::kOk) {
    status = store->List(list.include_removed, &accounts, &reply.message);
  }
  if (status == AccountStore::Status::kMissing) {
    reply.message.clear();
    return protocol::EncodeReply(reply);
  }
  if (status != AccountStore::Status::kOk) {
    reply.code = protocol::kAccountFailed;
    return protocol::EncodeReply(reply);
  }
  reply.message = LocalBackendNote(config);
  for (Account& account : accounts) {
    reply.accounts.push_back({std::move(account.name), std::move(account.full_name),
                              std::move(account.description), std::move(account.groups),
                              account.is_admin, account.disabled, account.removed_at,
                              account.must_change, account.password_set_at});
  }
  return protocol::EncodeReply(reply);
}

}  // namespace tav::service
