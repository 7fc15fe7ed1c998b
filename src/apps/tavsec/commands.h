// The command groups of tavsec. Each group adds its subcommands to the app;
// a command's callback stores its exit status in the context.
#ifndef TAV_APPS_TAVSEC_COMMANDS_H_
#define TAV_APPS_TAVSEC_COMMANDS_H_

#include <CLI/CLI.hpp>

namespace tav::tavsec {

struct Context {
  int exit_code = 0;
};

void AddStatusCommand(CLI::App& app, Context& context);
void AddRecordsCommands(CLI::App& app, Context& context);
void AddErrorCommand(CLI::App& app, Context& context);
void AddUserCommands(CLI::App& app, Context& context);
void AddStealthCommands(CLI::App& app, Context& context);
void AddConfigCommands(CLI::App& app, Context& context);
void AddEventsCommands(CLI::App& app, Context& context);
void AddRunListCommands(CLI::App& app, Context& context);
void AddSetupCommands(CLI::App& app, Context& context);
void AddStoreCommands(CLI::App& app, Context& context);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_COMMANDS_H_
