// Who may open the 21 CFR Part 11 Configuration dialog.
//
// With the features on and a user logged on, the dialog opens (the host
// checks the user's rights before it offers the dialog). With the features
// off, only an administrator of the machine may open it; anyone else is
// told so. With the features on and nobody logged on, the login dialog
// runs until an administrator, or a user with the right for activity 0
// (configuring compliance), logs on, or the login is cancelled.
//
// The checks are functions so that tests can stand in for the logon state.
// Threads: the GUI thread. No Qt Widgets.
#ifndef TAV_CONFIG_CONFIG_ACCESS_H_
#define TAV_CONFIG_CONFIG_ACCESS_H_

#include <functional>

#include "util/shown_text.h"

namespace tav {

inline constexpr char kAdminRequiredText[] =
    TAV_TR_NOOP("tav::Configuration",
                "To access the 21 CFR Part 11 Configuration, you must be a System Administrator.");
inline constexpr char kAdminRequiredCaption[] =
    TAV_TR_NOOP("tav::Configuration", "Administrator rights required.");

struct ConfigAccessChecks {
  std::function<bool()> someone_logged_on;
  std::function<bool()> security_enabled;
  std::function<bool()> machine_admin;
  // Shows the login dialog owned by the widget passed; true once a user
  // has logged on.
  std::function<bool(void* parent)> log_on;
  std::function<bool()> current_user_admin;
  // Whether the current user may configure compliance; a refusal shows its
  // message.
  std::function<bool()> may_configure;
  // Shows the administrator message owned by the widget passed.
  std::function<void(void* parent)> tell_admin_required;

  // The checks on the process's logon state and configuration.
  static ConfigAccessChecks Default();
};

// Whether the dialog may open, by the rules above. `parent` owns the
// dialogs it shows.
bool AdmitConfigurationUser(const ConfigAccessChecks& checks, void* parent);

}  // namespace tav

#endif  // TAV_CONFIG_CONFIG_ACCESS_H_
