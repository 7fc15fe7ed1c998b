#include "apps/tav-host/idle_relogin.h"

namespace tav::host {

AfterIdleLogin DecideAfterIdleLogin(int idle_login_result,
                                    const std::function<int()>& is_user_allowed) {
  if (idle_login_result != 0) return AfterIdleLogin::kLogOffAndLogIn;
  return is_user_allowed() == 1 ? AfterIdleLogin::kGoOn : AfterIdleLogin::kLogOffAndLogIn;
}

}  // namespace tav::host
