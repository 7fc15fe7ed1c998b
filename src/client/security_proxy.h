// The security service as the library sees it when the compliance service
// does the work: authentication (with the events it records), tokens and
// the per-thread impersonation, each a call to tavsecd
// (protocol/operations.h).
//
// Tokens: a HANDLE here is an entry of this process's table that names a
// token of the service on the connection that received it. Only that
// connection can use it; once the connection is gone (the service
// restarted), the entry answers 6 (invalid handle) to everything but a
// close, and the user must log on again.
//
// Impersonation is per thread, as the in-process service keeps it: the
// thread's current token, and the user the service reported for it.
//
// Failures to reach the service are results: authentication answers 1311
// with ServiceNotRunningText as the backend detail, token calls answer 6.
//
// Thread safety: all functions may be called from any thread; the
// authenticated and impersonated users are the calling thread's own.
#ifndef TAV_CLIENT_SECURITY_PROXY_H_
#define TAV_CLIENT_SECURITY_PROXY_H_

#include <string>

#include "protocol/operations.h"
#include "util/store_status.h"

namespace tav {

using HANDLE = void*;

namespace client {

// The configured domain; false when there is none (or no service).
bool GetDomain(std::string* domain);

// One authentication, with the events of its purpose recorded by the
// service. The reply's user becomes the thread's authenticated user on
// success; the detail of a 1311 becomes the thread's backend detail.
protocol::AuthenticateReply Authenticate(protocol::AuthPurpose purpose, const char* user,
                                         const char* domain, const char* password);
// The thread's last authenticated user (empty after a failure).
const protocol::WireUser& AuthenticatedUser();
bool LastAttemptLockedAccount();
// Why the thread's last authentication failed with 1311 ("" otherwise).
const std::string& LastBackendDetail();

// Logs the user on in the service and impersonates the new token on this
// thread; *token is the caller's. The result code of the security service.
int ImpersonateUser(const char* user, const char* domain, const char* password, HANDLE* token);
// ImpersonateUser as a login: the service records the login's events (a
// failure, the lock it caused, or the success) with the one password check.
// *reply holds the service's answer (its recorded name, lock and event
// status); a transport failure is code 1311 with the reason in its detail.
// A login whose event was not stored gives no token and a nonzero
// reply->event_status.
int LogonAsLogin(const char* user, const char* domain, const char* password, HANDLE* token,
                 protocol::LogonReply* reply);
// 0, or 6 for an unknown or stale token (the impersonation is unchanged).
int ImpersonateFromToken(HANDLE token);
void RevertToSelf();
// Reverts, closes *token when it is not null and nulls it: 0 or 6.
int EndImpersonation(HANDLE* token);
// 0 with a new token, or 6.
int DuplicateToken(HANDLE token, HANDLE* duplicate);
// 0 or 6. The entry is gone afterwards either way.
int CloseToken(HANDLE token);
// The user the thread impersonates; false when it impersonates nobody.
bool ImpersonatedUser(protocol::WireUser* user);

// Who a request that the service records acts for: the logon the calling
// thread impersonates (protocol::kStaleLogon when that logon belongs to a
// connection that is gone), or none: the process's system user.
protocol::Actor CurrentActor();
// The service's number of the logon behind `token` when the token is live
// on the current connection; protocol::kNoLogon otherwise.
int64_t ServiceLogonOf(HANDLE token);

// Makes the service name the peer's system user beside the acting account
// in what it records ("alice (system user root)"): tavsec, whose
// administrator acts from a system user's session.
void SetActorShowsSystemUser(bool show);

// Nonzero when the service counts this process's system user as an
// administrator (root, or a member of the configured administrators' group).
int IsOsAdmin();
// What records of a failed attempt call the typed name.
std::string RecordedUserName(const std::string& typed);
// Records "Logged Off" for the user of `token` (which stays open).
StoreStatus RecordLogoff(HANDLE token);

// The store's outcome of an event the service recorded, from the reply's
// status (0, or a StoreStatus code negated) and message.
StoreStatus EventStatus(int64_t wire_status, const std::string& message);

// Frees the calling thread's state (the library's unload).
void ReleaseClientThreadStates();

}  // namespace client
}  // namespace tav

#endif  // TAV_CLIENT_SECURITY_PROXY_H_
