// Logging on, off and in between: the operations behind TAVSecurityUI_DoLogin,
// _DoIdleLogin, _DoAuthCheck, _SetLoginUser and _DoLogout, on a LogonState.
//
// Results are those of the exports: RunLogin 0 (logged on), -1 (cancelled,
// nothing changed), -2 (authenticated, but the logon failed; the previous
// logon is in force again); RunAuthCheck 0 or -1; SetLoginUser 1 or 0;
// Logout 0. Filling the caller's records is the interface's job.
//
// Threads: the GUI thread, which is also the thread that impersonates.
// Ownership: the state owns its token; a token passed to SetLoginUser
// becomes the state's on success.
#ifndef TAV_LOGON_LOGIN_FLOW_H_
#define TAV_LOGON_LOGIN_FLOW_H_

#include "logon/logon_backend.h"
#include "logon/user_record.h"

class QWidget;

namespace tav {

inline constexpr int kLoginOk = 0;
inline constexpr int kLoginCancelled = -1;
inline constexpr int kLoginFailed = -2;

// Shows the User Login dialog with `title` (kUserLoginTitle or
// kIdleLoginTitle) owned by `parent`, starting from the current user's
// name and domain when `use_previous`, and logs the user on. Without a GUI
// (CanShowWidgets false) the result is -1.
int RunLogin(LogonState& state, LogonBackend& backend, QWidget* parent, bool use_previous,
             const char* title);

// Shows the dialog and replaces the check record with the user who passes
// it; never touches the current user or the token.
int RunAuthCheck(LogonState& state, LogonBackend& backend, QWidget* parent, bool use_previous);

// Makes the owner of `token` the current user, refreshed from the
// impersonated identity. On failure the previous token is impersonated
// again and nothing changes.
int SetLoginUser(LogonState& state, LogonBackend& backend, HANDLE token);

// Ends the token and empties the current user; the check record stays.
// Records a "Logged Off" system event for the user.
int Logout(LogonState& state, LogonBackend& backend);

}  // namespace tav

#endif  // TAV_LOGON_LOGIN_FLOW_H_
