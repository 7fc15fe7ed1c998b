// kOpChangeAccount: one change of a local account, or the end of a lock,
// made by the service for an actor who may make it, with its system event
// ("bob (by alice (system user root))"). A refused or failed change changes
// nothing and records nothing; a lock that was not there is no event.
#include <ctime>
#include <memory>

#include "records/audit_code.h"
#include "service/account_handling.h"
#include "service/handlers.h"
#include "services/security/account_store.h"
#include "services/security/lockout.h"
#include "services/security/unix_accounts.h"
#include "util/data_dir.h"
#include "util/strings.h"

namespace tav::service {
namespace {

using protocol::AccountChange;

int64_t ResultOf(AccountStore::Status status) {
  switch (status) {
    case AccountStore::Status::kOk: return protocol::kAccountOk;
    case AccountStore::Status::kMissing:
    case AccountStore::Status::kNotFound: return protocol::kAccountNotFound;
    case AccountStore::Status::kExists: return protocol::kAccountExists;
    case AccountStore::Status::kInvalid: return protocol::kAccountInvalid;
    case AccountStore::Status::kFailed: break;
  }
  return protocol::kAccountFailed;
}

AUDITCODE EventOf(AccountChange change) {
  switch (change) {
    case AccountChange::kAdd: return kAuditAccountAdded;
    case AccountChange::kRemove: return kAuditAccountRemoved;
    case AccountChange::kUnlock: return kAuditAccountUnlocked;
    case AccountChange::kSetPassword:
    case AccountChange::kExpire:
    case AccountChange::kConfirmUid:
    case AccountChange::kDisable:
    case AccountChange::kEnable: break;
  }
  return kAuditAccountChanged;
}

// Makes the change in the databases of `config`; kAccountOk or why not.
int64_t MakeChange(const protocol::ChangeAccountRequest& request, const SecurityConfig& config,
                   bool* was_locked, std::string* message) {
  const std::string& name = request.account.name;
  if (request.change == AccountChange::kUnlock) {
    std::unique_ptr<LockoutStore> lockout;
    StoreStatus status = LockoutStore::OpenIn(config.data_dir, &lockout);
    if (status.ok()) {
      status = lockout->Unlock(name, static_cast<int64_t>(std::time(nullptr)), was_locked);
    }
    *message = status.ok() ? "" : status.message();
    return status.ok() ? protocol::kAccountOk : protocol::kAccountFailed;
  }
  // The pam backend's uids live in the same database, made on first use.
  const bool add =
      request.change == AccountChange::kAdd || request.change == AccountChange::kConfirmUid;
  std::unique_ptr<AccountStore> store;
  AccountStore::Status status =
      AccountStore::Open(config.data_dir + "/" + kAccountsDbFile,
                         add ? AccountStore::Mode::kCreate : AccountStore::Mode::kReadWrite,
                         &store, message);
  if (status == AccountStore::Status::kMissing) {
    *message = "no user \"" + name + "\"";
    return protocol::kAccountNotFound;
  }
  if (status != AccountStore::Status::kOk) return ResultOf(status);
  PasswordSet how;
  how.policy = &config.passwords;
  switch (request.change) {
    case AccountChange::kAdd: {
      Account account{request.account.name,   request.account.full_name,
                      request.account.description, request.account.groups,
                      request.account.is_admin, false};
      status = store->Add(account, request.password, how, message);
      break;
    }
    case AccountChange::kSetPassword:
      status = store->SetPassword(name, request.password, how, message);
      break;
    case AccountChange::kExpire:
      status = store->Expire(name, message);
      break;
    case AccountChange::kConfirmUid: {
      UnixUser user;
      if (!LookUpUnixUser(name, &user)) {
        *message = "the system knows no user \"" + name + "\"";
        return protocol::kAccountNotFound;
      }
      status = store->ConfirmSystemUid(user.name, static_cast<int64_t>(user.uid), 0, message);
      break;
    }
    case AccountChange::kDisable:
    case AccountChange::kEnable:
      status = store->SetDisabled(name, request.change == AccountChange::kDisable, message);
      break;
    case AccountChange::kRemove:
      status = store->Remove(name, message);
      break;
    case AccountChange::kUnlock:
      break;
  }
  return ResultOf(status);
}

}  // namespace

HandlerReply HandleChangeAccount(Session& session, protocol::MessageReader& request) {
  protocol::ChangeAccountRequest change;
  WipeOnExit wipe(&change.password);
  if (!protocol::DecodeRequest(request, &change).ok()) return std::nullopt;
  protocol::ChangeAccountReply reply;
  std::string actor_name;
  reply.code = MayManageAccounts(session, change.actor, &actor_name, &reply.message);
  if (reply.code != protocol::kAccountOk) return protocol::EncodeReply(reply);

  // A line break in a name would forge lines in the listings of the events;
  // a NUL in a password would cut it short at every later logon.
  if (HasControlChar(change.account.name)) {
    reply.code = protocol::kAccountInvalid;
    reply.message = "the user name holds a control character";
    return protocol::EncodeReply(reply);
  }
  if (HasNul(change.password)) {
    reply.code = protocol::kAccountInvalid;
    reply.message = "the password holds a NUL byte";
    return protocol::EncodeReply(reply);
  }
  SecurityConfig config;
  reply.code = LoadAccountsConfig(&config, &reply.message);
  if (reply.code != protocol::kAccountOk) return protocol::EncodeReply(reply);

  reply.code = MakeChange(change, config, &reply.was_locked, &reply.message);
  if (reply.code != protocol::kAccountOk) return protocol::EncodeReply(reply);
  if (change.change != AccountChange::kUnlock && change.change != AccountChange::kConfirmUid) {
    reply.message = LocalBackendNote(config);
  }
  if (change.change != AccountChange::kUnlock || reply.was_locked) {
    const StoreStatus event = session.events().Record(
        EventOf(change.change), change.account.name + " (by " + actor_name + ")");
    SetEventStatus(event, &reply.event_status, &reply.event_message);
  }
  return protocol::EncodeReply(reply);
}

}  // namespace tav::service
