// The local backend's accounts and the lockout through the compliance
// service, which alone opens their databases: tavsec's user commands on a
// store the service keeps. Each call names the calling thread's actor
// (CurrentActor); the service decides whether it may act and records the
// change's event.
//
// Thread safety: all functions may be called from any thread.
#ifndef TAV_CLIENT_ACCOUNT_PROXY_H_
#define TAV_CLIENT_ACCOUNT_PROXY_H_

#include "protocol/account_ops.h"

namespace tav::client {

// The accounts in use (and the retired ones with `include_removed`);
// kAccountFailed with the reason when the service cannot be asked.
protocol::ListAccountsReply ListAccounts(bool include_removed = false);

// The system accounts whose logons are refused because their uid changed;
// kAccountFailed with the reason when the service cannot be asked.
protocol::ListChangedUidsReply ListChangedUids();

// One change. `password` (kAdd, kSetPassword) goes straight into the
// request's wiped buffer. kAccountFailed with the reason when the service
// cannot be asked: the change may or may not have been made then.
protocol::ChangeAccountReply ChangeAccount(protocol::AccountChange change,
                                           const protocol::WireAccount& account,
                                           const char* password = nullptr);

// The user's own change of a password that has expired or must be changed;
// the service checks the old one and records the change. Code 1311 with the
// reason in `detail` when the service cannot be asked.
protocol::ChangePasswordReply ChangePassword(const char* user, const char* domain,
                                             const char* old_password, const char* new_password);

}  // namespace tav::client

#endif  // TAV_CLIENT_ACCOUNT_PROXY_H_
