#include "service/settings_rights.h"

#include <list>

#include "service/acting.h"
#include "service/handlers.h"
#include "services/config/system_configuration.h"
#include "services/security/result_codes.h"

namespace tav::service {

bool LogonUser(const Session& session, int64_t number, protocol::WireUser* user) {
  const Logon* logon = session.FindLogon(number);
  if (logon == nullptr || KorWinSec_ImpersonateFromToken(logon->token) != kSecOk) return false;
  *user = ImpersonatedUser();
  KorWinSec_RevertToSelf();
  return true;
}

int MayChangeSettings(const Session& session, const protocol::Actor& actor, SettingsChange change,
                      std::string* name, std::string* message) {
  if (!ActingName(session, actor, name)) {
    *message = "the change names a logon this connection does not hold";
    return kSecInvalidHandle;
  }
  const bool trusted = theSystemConfig.VerifySettings() == kConfigOk;
  const std::string untrusted_why = trusted ? "" : CSystemConfiguration::LastErrorMessage();
  const bool features_on = !trusted || theSystemConfig.Is21CFREnabled() != 0;

  protocol::WireUser user;
  if (actor.logon != protocol::kNoLogon) {
    if (!LogonUser(session, actor.logon, &user)) {
      *message = "the change names a logon this connection does not hold";
      return kSecInvalidHandle;
    }
    bool allowed = false;
    if (change == SettingsChange::kAccept || !trusted) {
      allowed = user.is_admin;
    } else {
      const std::list<std::string> groups(user.groups.begin(), user.groups.end());
      TamberTAV2ErrorCodes error = kConfigOk;
      allowed = theSystemConfig.IsActivityAllowed(groups, kConfigureActivity, &error) != 0 &&
                error == kConfigOk;
    }
    if (allowed) return kConfigOk;
  }
  if (!features_on && PeerIsOsAdmin(session.peer().uid)) return kConfigOk;

  if (!trusted) {
    *message = "only an administrator may change or accept settings that cannot be trusted (" +
               untrusted_why + ")";
  } else if (actor.logon != protocol::kNoLogon) {
    *message = "\"" + user.user_name + "\" may not " +
               (change == SettingsChange::kAccept ? "accept the stored settings"
                                                  : "change the configuration (activity 0)");
  } else if (features_on) {
    *message = "the 21 CFR Part 11 features are on: the configuration is changed by a "
               "logged-on user with the right to configure it (activity 0)";
  } else {
    *message = "only a system administrator may change the configuration while the "
               "21 CFR Part 11 features are off";
  }
  return kConfigAccessDenied;
}

}  // namespace tav::service
