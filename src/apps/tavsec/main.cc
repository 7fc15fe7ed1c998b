// tavsec: the administrator's command-line tool for accounts, settings, the
// event log, stealth mode and record files.
#include <clocale>

#include "apps/tavsec/commands.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  CLI::App app{"tavsec: security, compliance settings and record files of the TAV suite"};
  app.require_subcommand(1);
  tav::tavsec::Context context;
  tav::tavsec::AddRecordsCommands(app, context);
  tav::tavsec::AddErrorCommand(app, context);
  tav::tavsec::AddUserCommands(app, context);
  tav::tavsec::AddStealthCommands(app, context);
  tav::tavsec::AddConfigCommands(app, context);
  tav::tavsec::AddEventsCommands(app, context);
  tav::tavsec::AddRunListCommands(app, context);
  tav::tavsec::AddSetupCommands(app, context);
  CLI11_PARSE(app, argc, argv);
  return context.exit_code;
}
