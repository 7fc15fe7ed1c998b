// tavsec: the administrator's command-line tool for accounts, settings, the
// event log, stealth mode and record files.
#include <clocale>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/export_commands.h"
#include "apps/tavsec/output.h"
#include "client/store_routes.h"

int main(int argc, char** argv) {
  std::setlocale(LC_ALL, "");
  tav::client::RouteStoreToService();
  CLI::App app{"tavsec: security, compliance settings and record files of the TAV suite"};
  app.set_version_flag("--version", "tavsec " TAV_VERSION);
  app.require_subcommand(1);
  tav::tavsec::Context context;
  tav::tavsec::AddStatusCommand(app, context);
  tav::tavsec::AddRecordsCommands(app, context);
  tav::tavsec::AddErrorCommand(app, context);
  tav::tavsec::AddUserCommands(app, context);
  tav::tavsec::AddStealthCommands(app, context);
  tav::tavsec::AddConfigCommands(app, context);
  tav::tavsec::AddEventsCommands(app, context);
  tav::tavsec::AddVerifyExportCommand(app, context);
  tav::tavsec::AddRunListCommands(app, context);
  tav::tavsec::AddSetupCommands(app, context);
  tav::tavsec::AddStoreCommands(app, context);
  tav::tavsec::AddExitStatusFooters(app);
  return tav::tavsec::RunCommandLine(app, argc, argv, context);
}
