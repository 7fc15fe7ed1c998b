// The security service: authentication, access tokens, impersonation and
// account queries, under the names the rest of the suite calls them by.
//
// The configured backend (security_config.h: the local account database or
// PAM) checks the passwords. Results are the codes of result_codes.h: 0 for
// success, -1 for a blank user name, 1326 for a wrong name or password, and
// the other codes listed there.
//
// String queries take (buffer, size). They return the value's length in
// bytes without the terminating zero, or -1 when there is no value (no
// domain, nobody authenticated, not impersonating, index out of range). The
// value is copied, NUL-terminated, only when the buffer holds it (size >
// length); a buffer that is too small receives an empty string, never a
// truncated value. A null buffer with any size asks for the length only.
//
// Threads: every function runs on the caller's thread. The authenticated user
// (set by KorWinSec_aAuthenticateUser) and the impersonated user are each the
// calling thread's own; another thread neither sees nor changes them. Token
// handles may be passed between threads.
//
// Tokens: a HANDLE is an opaque entry of the service's handle table (see
// token_table.h), never a pointer. A token handed out is the caller's; it is
// closed exactly once, by KorWinSec_CloseToken or KorWinSec_EndImpersonation.
// Closed, stale and made-up values give kSecInvalidHandle. Impersonation keeps
// its own reference to the user, so closing the token a thread impersonates
// from does not end that impersonation.
//
// Passwords are only read from the caller's buffer; the service keeps no copy
// and never writes them to a log.
#ifndef TAV_SERVICES_SECURITY_KORWINSEC_H_
#define TAV_SERVICES_SECURITY_KORWINSEC_H_

#include <cstdint>
#include <string>

namespace tav {

using HANDLE = void*;

// The configured domain: its length, or -1 when there is none.
int KorWinSec_aGetWindowsDomain(char* buffer, int size);

// Checks user name and password. An empty or null domain means the
// configured one; any other domain than the configured one (ASCII case
// ignored) fails with 1326, as does a name with a control character. Under
// the lockout policy (lockout.h) a locked account gets 1909 without its
// password being checked, and each 1326 counts towards a lock. Refusals go
// to syslog (util/auth_syslog.h). On 0 the calling thread's authenticated user
// becomes this user; on any failure the thread has no authenticated user.
int KorWinSec_aAuthenticateUser(const char* user, const char* domain,
                                const char* password);

// The user's own change of a password that has expired or must be changed
// (the logon answered 1330 or 1907): the old password is checked as a logon
// checks it, under the lockout policy, then the new one against the
// backend's rules, and the password is changed. Returns 0; -1 for a blank
// user name; 1326 for a wrong old password or unknown user; 1325 when the
// new password breaks a rule, with the reason for the user in *reason;
// 1311 (SecurityBackendErrorDetail says why). Nobody becomes authenticated.
int KorWinSec_aChangePassword(const char* user, const char* domain, const char* old_password,
                              const char* new_password, std::string* reason);

// When the calling thread's authenticated user's password expires (seconds
// since the epoch); 0 for never, not known, or nobody authenticated.
int64_t KorWinSec_AuthenticPasswordExpiry();
// From when the authenticated user is to be told of the expiry; 0 as above.
int64_t KorWinSec_AuthenticPasswordWarnAt();

// The calling thread's authenticated user.
int KorWinSec_aGetAuthenticUserFullname(char* buffer, int size);
int KorWinSec_aGetAuthenticUserDesc(char* buffer, int size);
int KorWinSec_aGetAuthenticLogonServer(char* buffer, int size);
// Returns the number of groups; stores it in *count and the longest group
// name's length in *longest (either pointer may be null). 0 when nobody is
// authenticated.
int KorWinSec_GetAuthenticUserGroupInfo(int* count, int* longest);
// Group `index` (from 0, in the backend's order).
int KorWinSec_aGetAuthenticUserGroup(int index, char* buffer, int size);
int KorWinSec_IsAuthenticUserAdmin();

// Authenticates as KorWinSec_aAuthenticateUser (without touching the
// authenticated user), then makes the calling thread impersonate the user and
// stores a new token, now the caller's, in *token. 87 when token is null. On
// failure the thread's impersonation and *token are unchanged.
int KorWinSec_aImpersonateUser(const char* user, const char* domain,
                               const char* password, HANDLE* token);

// Makes the calling thread impersonate the owner of `token`; the token stays
// the caller's. 6 for an invalid token, leaving the impersonation unchanged.
int KorWinSec_ImpersonateFromToken(HANDLE token);

// Ends the calling thread's impersonation (revert to the process identity),
// closes *token when it is not null and sets it to null. Returns 0, or 6 when
// *token was not a valid token (the impersonation has ended anyway); 87 when
// token is null.
int KorWinSec_EndImpersonation(HANDLE* token);

// Ends the calling thread's impersonation; closes nothing. Returns 0.
int KorWinSec_RevertToSelf();

// A new, independent token for the same user. 0, 6 or 87.
int KorWinSec_DuplicateToken(HANDLE token, HANDLE* duplicate);

// Closes a token. 0, or 6 for a closed, stale or made-up value.
int KorWinSec_CloseToken(HANDLE token);

// The calling thread's impersonated user; no value while not impersonating.
int KorWinSec_aGetImpersonatedUser(char* buffer, int size);
int KorWinSec_aGetImpersonatedUserFullname(char* buffer, int size);
int KorWinSec_aGetImpersonatedUserDesc(char* buffer, int size);
// The domain of the impersonated user: length 0 on a machine without one.
int KorWinSec_aGetImpersonatedDomain(char* buffer, int size);
int KorWinSec_aGetImpersonatedLogonServer(char* buffer, int size);
int KorWinSec_GetImpersonatedUserGroupInfo(int* count, int* longest);
int KorWinSec_aGetImpersonatedUserGroup(int index, char* buffer, int size);
int KorWinSec_IsImpersonatedUserAdmin();

// Nonzero when the system user running the process is root or a member of
// the configured admin group.
int KorWinSec_IsWindowsUserAdmin();

// Why the calling thread's last authentication (KorWinSec_aAuthenticateUser
// or KorWinSec_aImpersonateUser) failed with kSecBackendUnavailable, for
// administrators: a configuration line, a database or PAM message. Empty
// after an authentication that did not fail that way. Never holds a password.
const std::string& SecurityBackendErrorDetail();
// Sets the calling thread's detail: the compliance service's client passes
// on what the service (or its absence) said, so that the messages of a
// failed logon read the same either way.
void SetSecurityBackendErrorDetail(const std::string& detail);

// Nonzero when the calling thread's last authentication locked its account
// (too many failures; services/security/lockout.h), so that the caller can
// record that event.
int KorWinSec_LastAttemptLockedAccount();

// What records of an attempt carry for the typed name: the name itself when
// it names an account of the configured backend, otherwise "(unknown
// user)", as login programs do, since a mistyped name is often a password.
inline constexpr char kUnknownUserName[] = "(unknown user)";
std::string RecordedUserName(const char* typed);

// Frees the calling thread's users and the per-thread storage. The library
// calls it last when it is unloaded; other threads' states stay allocated.
void ReleaseSecurityThreadStates();

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_KORWINSEC_H_
