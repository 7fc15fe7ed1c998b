#include "config/config_access.h"


namespace tav {

bool AdmitConfigurationUser(const ConfigAccessChecks& checks, void* parent) {
  const bool secured = checks.security_enabled();
  if (secured && checks.someone_logged_on()) return true;
  if (!secured) {
    if (checks.machine_admin()) return true;
    checks.tell_admin_required(parent);
    return false;
  }
  for (;;) {
    if (!checks.log_on(parent)) return false;
    if (checks.current_user_admin()) return true;
    if (checks.may_configure()) return true;
  }
}

}  // namespace tav
