// Who may change the compliance settings through the service, decided from
// the service's own records: the groups of the acting logon as the security
// service holds them, the stored settings, and the peer's credentials.
//
//   - a logon whose groups hold the right to configure compliance
//     (activity 0) may change the settings;
//   - while the stored settings cannot be trusted (they fail their seal or
//     cannot be read, so the features count as on), only a logon of an
//     administrator account may, to accept or mend them;
//   - while the features are off, a peer that is a system administrator
//     (PeerIsOsAdmin) may, with or without a logon;
//   - nobody else. Accepting stored settings needs an administrator
//     account's logon (or, features off, a system administrator).
//
// Thread safety: the session's thread.
#ifndef TAV_SERVICE_SETTINGS_RIGHTS_H_
#define TAV_SERVICE_SETTINGS_RIGHTS_H_

#include <cstdint>
#include <string>

#include "protocol/operations.h"
#include "service/session.h"

namespace tav::service {

// The activity that lets a user change the configuration.
inline constexpr int kConfigureActivity = 0;

// The user of the connection's logon `number` as the security service
// holds it (groups included). False when the session holds no such logon.
bool LogonUser(const Session& session, int64_t number, protocol::WireUser* user);

enum class SettingsChange { kWrite, kAccept };

// 0 with the acting user's recorded name in *name; kSecInvalidHandle (6)
// for a logon the session does not hold; or kConfigAccessDenied with the
// reason in *message.
int MayChangeSettings(const Session& session, const protocol::Actor& actor, SettingsChange change,
                      std::string* name, std::string* message);

}  // namespace tav::service

#endif  // TAV_SERVICE_SETTINGS_RIGHTS_H_
