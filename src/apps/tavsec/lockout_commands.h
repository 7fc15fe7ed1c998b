// tavsec user unlock: ends the lock that repeated failed authentications put
// on an account (services/security/lockout.h).
#ifndef TAV_APPS_TAVSEC_LOCKOUT_COMMANDS_H_
#define TAV_APPS_TAVSEC_LOCKOUT_COMMANDS_H_

#include <CLI/CLI.hpp>

#include "apps/tavsec/commands.h"

namespace tav::tavsec {

void AddUserUnlock(CLI::App& user, Context& context);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_LOCKOUT_COMMANDS_H_
