// The user that the calling thread acts for: the name that records made on
// this thread carry (file records, configuration audit events).
//
// That is the user the thread impersonates through the security service;
// while it impersonates nobody, the system user running the process.
//
// Thread safety: may be called from any thread; the answer is the calling
// thread's.
#ifndef TAV_SERVICES_FILELIB_ACTING_USER_H_
#define TAV_SERVICES_FILELIB_ACTING_USER_H_

#include <sys/types.h>

#include <string>

namespace tav {

// Makes ActingUserName name the system user beside an impersonated account
// in this process: "alice (system user root)", or "alice (system user root,
// logged in as bob)". tavsec sets it, since the administrator it
// authenticates acts from a system user's session.
void SetActingUserShowsSystemUser(bool show);

// Makes ActingUserName name `account` while the thread impersonates nobody
// in this process: the account that the compliance service authenticated
// for the process (tavsec's --by), which has no token here. "" forgets it.
void SetServiceAuthenticatedAccount(const std::string& account);

// A second source of the calling thread's impersonated account, asked when
// the in-process security service has none: the compliance service's
// client registers its own (the logon then lives in the service, and the
// thread's impersonation in the client). It returns "" for nobody.
using ImpersonatedAccountSource = std::string (*)();
void SetImpersonatedAccountSource(ImpersonatedAccountSource source);

// The acting user's name; never empty (a process user without a passwd
// entry is named by its number, "uid 1234").
std::string ActingUserName();

// The system user running the process (the effective user). When the
// session was logged in to as another user who then became this one (sudo,
// su), that user follows: "root (logged in as alice)".
std::string ProcessUserName();

// The audit login uid of process `pid` (0: this process), as the kernel
// keeps it (set at login, unchanged by sudo or su); -1 when unknown.
long long LoginUidOf(pid_t pid);
// `uid` by name ("uid 1234" without a passwd entry), followed by
// " (logged in as NAME)" when `login_uid` is known and another user.
std::string SystemUserName(uid_t uid, long long login_uid);
// "alice (system user root)", or "alice (system user root, logged in as
// bob)" for the system user "root (logged in as bob)".
std::string NameWithSystemUser(const std::string& account, std::string system_user);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_ACTING_USER_H_
