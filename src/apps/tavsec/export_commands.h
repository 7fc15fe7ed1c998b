// Signed exports: `tavsec events export --format csv|json`, `tavsec config
// trail --export`, and `tavsec verify-export`, which checks one anywhere.
#ifndef TAV_APPS_TAVSEC_EXPORT_COMMANDS_H_
#define TAV_APPS_TAVSEC_EXPORT_COMMANDS_H_

#include <string>

#include "apps/tavsec/commands.h"
#include "audit/signed_export.h"

namespace tav::tavsec {

// Writes the listing of `log` to `path` and its signature to `path`.sig.
// A store without a signing key gets the listing alone, with a warning.
void WriteSignedExport(ExportedLog log, TableFormat format, const std::string& path,
                       Context& context);

void AddVerifyExportCommand(CLI::App& app, Context& context);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_EXPORT_COMMANDS_H_
