#include "service/account_handling.h"

#include "service/settings_rights.h"
#include "services/config/system_configuration.h"
#include "services/security/result_codes.h"

namespace tav::service {

int64_t MayManageAccounts(const Session& session, const protocol::Actor& actor, std::string* name,
                          std::string* message) {
  const int code = MayChangeSettings(session, actor, SettingsChange::kWrite, name, message);
  if (code == kConfigOk) return protocol::kAccountOk;
  if (code == kSecInvalidHandle) return protocol::kAccountNoLogon;
  return protocol::kAccountRefused;
}

int64_t LoadAccountsConfig(SecurityConfig* config, std::string* message) {
  if (LoadSecurityConfig(config, message)) return protocol::kAccountOk;
  return protocol::kAccountFailed;
}

std::string LocalBackendNote(const SecurityConfig& config) {
  if (config.backend == SecurityConfig::Backend::kLocal) return "";
  return "the configured backend is not local; these accounts are used only with backend = local";
}

}  // namespace tav::service
