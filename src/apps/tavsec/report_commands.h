// tavsec events report --pdf FILE and tavsec config trail --pdf FILE: the
// viewer's report of a log (audit/event_report.h), written without a
// display. The filter options narrow it as the viewer's filter bar does.
#ifndef TAV_APPS_TAVSEC_REPORT_COMMANDS_H_
#define TAV_APPS_TAVSEC_REPORT_COMMANDS_H_

#include <CLI/CLI.hpp>

#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "services/config/config_trail.h"

namespace tav::tavsec {

struct ReportArgs {
  std::string pdf;
  std::string from, to;  // "YYYY-MM-DD HH:MM:SS", local time
  std::string user, kind, text;
  bool unreviewed = false;
};

// Adds --from, --to, --user, --kind (`kind_help`), --text (and with
// `reviewable` --unreviewed) to `command`.
void AddReportFilterOptions(CLI::App* command, ReportArgs* args, const char* kind_help,
                            bool reviewable);

void WriteEventReport(const ReportArgs& args, Context& context);
void WriteTrailReport(const ReportArgs& args, const std::vector<ConfigTrailEvent>& changes,
                      Context& context);

}  // namespace tav::tavsec

#endif  // TAV_APPS_TAVSEC_REPORT_COMMANDS_H_
