// kOpListAccounts: the local backend's accounts (and, when asked, the
// retired ones), for a system administrator
// (root may read the database anyway) or an actor who may change them. A
// database that does not exist yet holds no accounts.
// kOpListChangedUids: for the same callers, the system accounts whose
// logons are refused because their uid changed.
#include <memory>
#include <string>
#include <vector>

#include "service/account_handling.h"
#include "service/handlers.h"
#include "services/security/account_store.h"
#include "util/data_dir.h"

namespace tav::service {

namespace {

// The checks both listings make (a system administrator, or an actor who
// may change the accounts; the configuration), then the account database
// opened for reading. False when the listing ends here, with *code and
// *message set for the reply: a refusal, no configuration, a store that
// cannot be read, or no database yet (code ok and no message: nothing has
// been recorded, so there is nothing to list).
bool OpenForListing(Session& session, const protocol::Actor& actor, int64_t* code,
                    std::string* message, SecurityConfig* config,
                    std::unique_ptr<AccountStore>* store) {
  if (!PeerIsOsAdmin(session.peer().uid)) {
    std::string name;
    *code = MayManageAccounts(session, actor, &name, message);
    if (*code != protocol::kAccountOk) return false;
  }
  *code = LoadAccountsConfig(config, message);
  if (*code != protocol::kAccountOk) return false;
  const AccountStore::Status status = AccountStore::Open(
      config->data_dir + "/" + kAccountsDbFile, AccountStore::Mode::kReadOnly, store, message);
  if (status == AccountStore::Status::kMissing) {
    message->clear();
    return false;
  }
  if (status != AccountStore::Status::kOk) {
    *code = protocol::kAccountFailed;
    return false;
  }
  return true;
}

}  // namespace

HandlerReply HandleListChangedUids(Session& session, protocol::MessageReader& request) {
  protocol::ListChangedUidsRequest list;
  if (!protocol::DecodeRequest(request, &list).ok()) return std::nullopt;
  protocol::ListChangedUidsReply reply;
  SecurityConfig config;
  std::unique_ptr<AccountStore> store;
  if (!OpenForListing(session, list.actor, &reply.code, &reply.message, &config, &store)) {
    return protocol::EncodeReply(reply);
  }
  std::vector<AccountStore::SystemUid> uids;
  if (store->ListSystemUids(&uids, &reply.message) != AccountStore::Status::kOk) {
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
  SecurityConfig config;
  std::unique_ptr<AccountStore> store;
  if (!OpenForListing(session, list.actor, &reply.code, &reply.message, &config, &store)) {
    return protocol::EncodeReply(reply);
  }
  std::vector<Account> accounts;
  if (store->List(list.include_removed, &accounts, &reply.message) != AccountStore::Status::kOk) {
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
