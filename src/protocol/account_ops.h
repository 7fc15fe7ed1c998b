// The account operations of the compliance service (50-52): the local
// backend's accounts listed, one change of an account (add, new password,
// expire, disable, enable, remove) or of a lock (unlock, any backend) or of
// a system account's uid (confirm), and a user's own change of a password
// that has expired or must be changed.
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
  // Read-only; listings only.
  int64_t removed_at = 0;  // retired at (seconds since the epoch); 0 in use
  bool must_change = false;
  int64_t password_set_at = 0;
};

// kOpListAccounts: an actor (a logon with the configuration right, or none
// for a system administrator).
struct ListAccountsRequest {
  Actor actor;
  bool include_removed = false;  // the retired accounts too
};
struct ListAccountsReply {
  int64_t code = kAccountOk;
  std::string message;
  std::vector<WireAccount> accounts;  // ordered by name
};

// kOpListChangedUids: the system accounts (the pam backend) whose last
// logon was refused because the name's uid was not the one first seen
// under it; for the callers of kOpListAccounts.
struct ListChangedUidsRequest {
  Actor actor;
};
struct WireChangedUid {
  std::string name;
  int64_t uid = 0;          // first seen
  int64_t refused_uid = 0;  // the last other uid refused
};
struct ListChangedUidsReply {
  int64_t code = kAccountOk;
  std::string message;
  std::vector<WireChangedUid> uids;  // ordered by name
};

enum class AccountChange : int64_t {
  kAdd = 1,
  kSetPassword = 2,
  kDisable = 3,
  kEnable = 4,
  kRemove = 5,
  kUnlock = 6,
  kExpire = 7,      // the password must be changed at the next logon
  kConfirmUid = 8,  // a system account's present uid is the same person's
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

// kOpChangePassword: the user's own change at logon. Both passwords travel
// only in the request, whose writer wipes them. No actor: the old password
// is the proof. Recorded: "Password Changed" on success; a wrong old
// password is a "Failed Login" (and counts towards a lock), and so is a
// new password that breaks a rule.
struct ChangePasswordRequest {
  std::string user;
  std::string domain;
  std::string old_password;
  std::string new_password;
};
struct ChangePasswordReply {
  int64_t code = 0;          // the security service's result (0, 1325, 1326, ...)
  std::string reason;        // 1325: which rule the new password breaks
  std::string detail;        // 1311: why the backend was unavailable
  bool locked_now = false;   // this attempt locked the account
  std::string recorded_name;
  int64_t event_status = 0;  // as in AuthenticateReply
  std::string event_message;
};

MessageWriter EncodeRequest(const ListAccountsRequest& request);
MessageWriter EncodeRequest(const ListChangedUidsRequest& request);
// `password` goes into the writer, which wipes it (request.password, the
// decoder's field, is not read): no other copy is made.
MessageWriter EncodeRequest(const ChangeAccountRequest& request, std::string_view password);
// The passwords go into the writer (the request's fields are not read).
MessageWriter EncodeRequest(const ChangePasswordRequest& request, std::string_view old_password,
                            std::string_view new_password);
StoreStatus DecodeRequest(MessageReader& r, ListAccountsRequest* request);
StoreStatus DecodeRequest(MessageReader& r, ListChangedUidsRequest* request);
StoreStatus DecodeRequest(MessageReader& r, ChangePasswordRequest* request);
StoreStatus DecodeRequest(MessageReader& r, ChangeAccountRequest* request);

MessageWriter EncodeReply(const ListAccountsReply& reply);
MessageWriter EncodeReply(const ListChangedUidsReply& reply);
MessageWriter EncodeReply(const ChangeAccountReply& reply);
MessageWriter EncodeReply(const ChangePasswordReply& reply);
StoreStatus DecodeReply(MessageReader& r, ListAccountsReply* reply);
StoreStatus DecodeReply(MessageReader& r, ListChangedUidsReply* reply);
StoreStatus DecodeReply(MessageReader& r, ChangeAccountReply* reply);
StoreStatus DecodeReply(MessageReader& r, ChangePasswordReply* reply);

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_ACCOUNT_OPS_H_
