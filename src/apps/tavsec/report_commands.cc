#include "apps/tavsec/report_commands.h"

#include <pwd.h>
#include <unistd.h>

#include <QGuiApplication>

#include <iostream>
#include <memory>

#include "apps/tavsec/output.h"
#include "audit/event_report.h"
#include "audit/event_rows.h"
#include "audit/report_pdf.h"
#include "services/config/system_configuration.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/system_event_manager.h"
#include "util/ole_date.h"

namespace tav::tavsec {
namespace {

// Fonts need a GUI application; tavsec never shows a window, so it takes
// the offscreen platform whatever display there is.
class ReportApplication {
 public:
  ReportApplication() {
    if (QGuiApplication::instance() == nullptr) {
      qputenv("QT_QPA_PLATFORM", "offscreen");
      // Qt's notes on its platform (no runtime folder, fonts) are not the
      // user's business; its real errors go to standard error.
      qInstallMessageHandler([](QtMsgType type, const QMessageLogContext&, const QString& text) {
        if (type == QtCriticalMsg || type == QtFatalMsg) {
          std::cerr << "tavsec: " << text.toStdString() << "\n";
        }
      });
      app_ = std::make_unique<QGuiApplication>(argc_, argv_);
    }
  }

 private:
  int argc_ = 1;
  char name_[7] = "tavsec";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> app_;
};

bool ParseFilter(const ReportArgs& args, AuditFilter* filter) {
  for (auto [text, out, option] : {std::tuple{&args.from, &filter->from, "--from"},
                                   std::tuple{&args.to, &filter->to, "--to"}}) {
    if (text->empty()) continue;
    *out = ParseOleDate(*text);
    if (!*out) {
      PrintError(option, "a date and time such as \"2026-12-06 10:00:00\" (local time)");
      return false;
    }
  }
  filter->user = args.user;
  filter->kind = args.kind;
  filter->text = args.text;
  filter->unreviewed_only = args.unreviewed;
  return true;
}

ReportContext BaseContext() {
  ReportContext context;
  context.machine = MachineName();
  context.store = StoreIdentityText();
  const passwd* pw = ::getpwuid(::getuid());
  context.printed_by = pw != nullptr ? std::string(pw->pw_name) + " (tavsec)"
                                     : "uid " + std::to_string(::getuid()) + " (tavsec)";
  context.printed_at = FormatOleDate(OleDateFromTimeT(::time(nullptr)).value_or(0.0),
                                     "%Y-%m-%d %H:%M:%S");
  return context;
}

void Write(const AuditReport& report, const ReportArgs& args, size_t rows, Context& context) {
  ReportApplication app;
  std::string error;
  int pages = 0;
  if (!WriteReportPdf(report, args.pdf, &error, &pages)) {
    PrintError(error);
    context.exit_code = kExitFailed;
    return;
  }
  std::cout << rows << (rows == 1 ? " record" : " records") << " on " << pages
            << (pages == 1 ? " page" : " pages") << " written to " << args.pdf << "\n";
}

}  // namespace

void AddReportFilterOptions(CLI::App* command, ReportArgs* args, const char* kind_help,
                            bool reviewable) {
  command->add_option("--from", args->from, "only records from this local date and time on");
  command->add_option("--to", args->to, "only records up to this local date and time");
  command->add_option("--user", args->user, "only the records of this user login");
  command->add_option("--kind", args->kind, kind_help);
  command->add_option("--text", args->text, "only records with this text in a column");
  if (reviewable) {
    command->add_flag("--unreviewed", args->unreviewed, "only records no review covers yet");
  }
}

void WriteEventReport(const ReportArgs& args, Context& context) {
  AuditFilter filter;
  if (!ParseFilter(args, &filter)) {
    context.exit_code = kExitUsage;
    return;
  }
  CSystemEventManager manager;
  CAuditCollectionComp* events = manager.LoadEventList();
  if (events == nullptr) {
    context.exit_code = kExitFailed;  // the cause went to standard error
    return;
  }
  ReportContext base = BaseContext();
  ChainReport chain;
  std::string error;
  base.integrity = manager.VerifyEventLog(&chain, &error) == kFileLibOk
                       ? ChainSummaryText(chain)
                       : ChainUncheckedText(error);
  const OwnedReport report = MakeEventReport(*events, filter, base);
  Write(report.report, args, report.report.table.rows, context);
}

void WriteTrailReport(const ReportArgs& args, const std::vector<ConfigTrailEvent>& changes,
                      Context& context) {
  AuditFilter filter;
  if (!ParseFilter(args, &filter)) {
    context.exit_code = kExitUsage;
    return;
  }
  // The trail's reviews are events of the system event log.
  CSystemEventManager manager;
  const CAuditCollectionComp* events = manager.LoadEventList();
  if (events == nullptr) {
    context.exit_code = kExitFailed;  // the cause went to standard error
    return;
  }
  ReportContext base = BaseContext();
  base.integrity = theSystemConfig.VerifySettings() == 0
                       ? std::string("the settings match their seal")
                       : "the settings do not match their seal: " +
                             CSystemConfiguration::LastErrorMessage();
  const OwnedReport report = MakeTrailReport(changes, FindReviews(*events), filter, base);
  Write(report.report, args, report.report.table.rows, context);
}

}  // namespace tav::tavsec
