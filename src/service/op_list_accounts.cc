// kOpListAccounts: the local backend's accounts (and, when asked, the
// retired ones), for a system administrator
// (root may read the database anyway) or an actor who may change them. A
// database that does not exist yet holds no accounts.
#include <memory>

#include "service/account_handling.h"
#include "service/handlers.h"
#include "services/security/account_store.h"
#include "util/data_dir.h"

namespace tav::service {

HandlerReply HandleListAccounts(Session& session, protocol::MessageReader& request) {
  protocol::ListAccountsRequest list;
  if (!protocol::DecodeRequest(request, &list).ok()) return std::nullopt;
  protocol::ListAccountsReply reply;
  if (!PeerIsOsAdmin(session.peer().uid)) {
    std::string name;
    reply.code = MayManageAccounts(session, list.actor, &name, &reply.message);
    if (reply.code != protocol::kAccountOk) return protocol::EncodeReply(reply);
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
