// What the host does after the idle re-authentication, kept apart from the
// window so that it can be tested without one.
//
// TAVSecurityUI_DoIdleLogin lets any user log on: the person at an idle
// workstation is not always the one who left it. So after every idle logon
// the host asks TAVSecurityUI_IsUserAllowed again, exactly as after
// TAVSecurityUI_DoLogin, and when the answer is no (or nobody logged on)
// it logs off and asks for a full login; nobody goes on working in the
// name of the user who left, nor as a user who may not run the program.
#ifndef TAV_APPS_TAV_HOST_IDLE_RELOGIN_H_
#define TAV_APPS_TAV_HOST_IDLE_RELOGIN_H_

#include <functional>

namespace tav::host {

enum class AfterIdleLogin {
  kGoOn,            // the user now logged on may run the program
  kLogOffAndLogIn,  // log off, then ask for a full login (or close)
};

// `idle_login_result` is what TAVSecurityUI_DoIdleLogin returned;
// `is_user_allowed` asks TAVSecurityUI_IsUserAllowed, and is called only
// after a logon (result 0). A cancelled idle login (-1) and one whose logon
// failed (-2, the user who left is back in force) never go on.
AfterIdleLogin DecideAfterIdleLogin(int idle_login_result,
                                    const std::function<int()>& is_user_allowed);

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_IDLE_RELOGIN_H_
