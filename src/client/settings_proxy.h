// The compliance settings through the compliance service: the client's
// SettingsRemote (services/config/settings_remote.h), which
// CSystemConfiguration of the data directory uses whenever the process
// must ask the service (RouteStoreToService registers it), and the access
// answer for the library's logon.
//
// Nothing is cached here: every read and every access answer asks the
// service, so a change made by any process is seen by the next call.
// Writes name the acting logon of the calling thread (CurrentActor); the
// service names the user and decides whether the change is allowed.
//
// Thread safety: all functions may be called from any thread.
#ifndef TAV_CLIENT_SETTINGS_PROXY_H_
#define TAV_CLIENT_SETTINGS_PROXY_H_

#include "client/security_proxy.h"
#include "services/config/settings_remote.h"

namespace tav::client {

class SettingsProxy : public SettingsRemote {
 public:
  bool InUse() override;
  StoreStatus ReadRow(std::string_view row, std::string* record) override;
  StoreStatus VerifySettings() override;
  StoreStatus ReadTrail(uint64_t from, RemoteTrailPage* page) override;
  RemoteWriteResult Write(const std::vector<RemoteSettingWrite>& writes) override;
  RemoteWriteResult AcceptStoredSettings(std::string_view reason) override;
};

// Registers the proxy with theSettingsRemote (store_routes.cc).
void RouteSettingsToService();

// Whether the user logged on with `token` may perform `activity`, as the
// service answers it from the logon's groups and the stored settings:
// 1 or 0. 0 also when the token is not a live logon of this process or the
// service cannot be asked (no right is assumed).
int MayPerform(HANDLE token, int activity);

}  // namespace tav::client

#endif  // TAV_CLIENT_SETTINGS_PROXY_H_
