// The opening checks on the process's logon state: the login dialog and the
// message boxes make this the Qt side of config_access.h.
#include "config/config_access.h"
#include "logon/access.h"
#include "logon/login_flow.h"
#include "logon/logon_backend.h"
#include "logon/user_login_dialog.h"
#include "logon/user_record.h"
#include "services/config/system_ids.h"
#include "ui/gui_app.h"
#include "ui/message_prompter.h"
#include "util/shown_text.h"

namespace tav {

ConfigAccessChecks ConfigAccessChecks::Default() {
  ConfigAccessChecks checks;
  checks.someone_logged_on = [] { return !TheLogonState().current_user.user_name.empty(); };
  checks.security_enabled = [] { return IsUserSecurityEnabled() != 0; };
  checks.machine_admin = [] { return LogonBackend::Default().IsWindowsUserAdmin() != 0; };
  checks.log_on = [](void* parent) {
    return RunLogin(TheLogonState(), LogonBackend::Default(), WidgetFromHwnd(parent), false,
                    kUserLoginTitle) == kLoginOk;
  };
  checks.current_user_admin = [] { return TheLogonState().current_user.is_admin != 0; };
  checks.may_configure = [] {
    return IsActivityAllowedWithMessage(TheLogonState(),
                                        kActivityConfigureCompliance) != 0;
  };
  checks.tell_admin_required = [](void* parent) {
    StealthMessageBox(IDOK, parent, TranslateText("tav::Configuration", kAdminRequiredText).c_str(),
                      TranslateText("tav::Configuration", kAdminRequiredCaption).c_str(), MB_OK);
  };
  return checks;
}

}  // namespace tav
