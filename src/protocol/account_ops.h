// The account operations of the compliance service (50-51): the local
// backend's accounts listed, and one change of an account (add, new
// password, disable, enable, remove) or of a lock (unlock, any backend).
//
// The service alone opens the account and lockout databases. A change names
// its actor (operations.h: Actor); the service decides whether the actor
// may make it (the same rule as a settings change) and records the change's
// system event under the name it knows for the actor. A password travels
// only in the request, whose writer wipes it.
//
// Thread safety: plain values.
#ifndef TAV_PROTOCOL_ACCOUNT_OPS_H_
#define TAV_PROTOCOL_ACCOUNT_OPS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/operations.h"
#include "protocol/wire.h"

namespace tav::protocol {

// The result of an account operation.
enum AccountResult : int64_t {
  kAccountOk = 0,
  kAccountRefused = 1,   // the actor may not (the message says why)
  kAccountInvalid = 2,   // a bad name, group, text or password
  kAccountNotFound = 3,  // no such account
  kAccountExists = 4,    // the name is taken (in any case)
  kAccountFailed = 5,    // the databases failed
  kAccountNoLogon = 6,   // the actor names a logon this connection does not hold
};

struct WireAccount {
  std::string name;
  std::string full_name;
  std::string description;
  std::vector<std::string> groups;
  bool is_admin = false;
  bool disabled = false;
};

// kOpListAccounts: an actor (a logon with the configuration right, or none
// for a system administrator).
struct ListAccountsRequest {
  Actor actor;
};
struct ListAccountsReply {
  int64_t code = kAccountOk;
  std::string message;
  std::vector<WireAccount> accounts;  // ordered by name
};

enum class AccountChange : int64_t {
  kAdd = 1,
  kSetPassword = 2,
  kDisable = 3,
  kEnable = 4,
  kRemove = 5,
  kUnlock = 6,
};

// kOpChangeAccount. `account.name` always; the other fields of `account`
// only with kAdd; `password` with kAdd and kSetPassword.
struct ChangeAccountRequest {
  Actor actor;
  AccountChange change = AccountChange::kAdd;
  WireAccount account;
  std::string password;
};
struct ChangeAccountReply {
  int64_t code = kAccountOk;
  std::string message;
  bool was_locked = false;  // kUnlock: the account was locked
  // The change's event: 0 when stored (or none was due), else the store's
  // failure as in AuthenticateReply. The change itself is made.
  int64_t event_status = 0;
  std::string event_message;
};

MessageWriter EncodeRequest(const ListAccountsRequest& request);
// `password` goes into the writer, which wipes it (request.password, the
// decoder's field, is not read): no other copy is made.
MessageWriter EncodeRequest(const ChangeAccountRequest& request, std::string_view password);
StoreStatus DecodeRequest(MessageReader& r, ListAccountsRequest* request);
StoreStatus DecodeRequest(MessageReader& r, ChangeAccountRequest* request);

MessageWriter EncodeReply(const ListAccountsReply& reply);
MessageWriter EncodeReply(const ChangeAccountReply& reply);
StoreStatus DecodeReply(MessageReader& r, ListAccountsReply* reply);
StoreStatus DecodeReply(MessageReader& r, ChangeAccountReply* reply);

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_ACCOUNT_OPS_H_
