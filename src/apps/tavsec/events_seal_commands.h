// tavsec events setup-keys, and the --key and --against options of tavsec
// events verify (sealing and anchors of the logs, docs/event-log.md).
#ifndef TAV_APPS_TAVSEC_EVENTS_SEAL_COMMANDS_H_
#define TAV_APPS_TAVSEC_EVENTS_SEAL_COMMANDS_H_

#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "services/filelib/log_integrity.h"

namespace tav::tavsec {

// The note of a verify without seals or heads to check against.
inline constexpr char kWithoutSealsNote[] =
    "without --key or --against, a log cut short or emptied (with its recorded end made to "
    "match) cannot be told from a shorter log";

// Adds setup-keys to `events` and the options to `verify`.
void AddEventsSealCommands(CLI::App* events, CLI::App* verify, Context& context);

// What verify checks beyond the chains, from its options: false (with the
// reason on standard error and exit status 2) when an option is unusable.
// The options point into objects that live until the next call.
bool PrepareSealedVerify(const std::string& db_path, IntegrityOptions* options,
                         std::vector<std::string>* notes, Context& context);

// The line verify prints after each log: how far it is sealed (empty
// without a key or seals).
std::string SealSummary(ChainedLog log, const LogIntegrity& integrity, const IntegrityOptions& options);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_EVENTS_SEAL_COMMANDS_H_
