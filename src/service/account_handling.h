// What the account operations share: who may manage the local accounts and
// locks, and the databases they live in. The rule is the settings' rule
// (settings_rights.h): the accounts decide who may change the settings.
//
// Thread safety: the session's thread.
#ifndef TAV_SERVICE_ACCOUNT_HANDLING_H_
#define TAV_SERVICE_ACCOUNT_HANDLING_H_

#include <string>

#include "protocol/account_ops.h"
#include "service/session.h"
#include "services/security/security_config.h"

namespace tav::service {

// kAccountOk with the actor's recorded name in *name, or the refusal
// (kAccountRefused, kAccountNoLogon) with its reason in *message.
int64_t MayManageAccounts(const Session& session, const protocol::Actor& actor, std::string* name,
                          std::string* message);

// The security settings of the service's data directory; kAccountFailed
// with the reason when they cannot be read.
int64_t LoadAccountsConfig(SecurityConfig* config, std::string* message);

// The note a change of the local accounts carries while another backend
// authenticates ("" while the local one does).
std::string LocalBackendNote(const SecurityConfig& config);

}  // namespace tav::service

#endif  // TAV_SERVICE_ACCOUNT_HANDLING_H_
