// tavsec events ...: lists, verifies and exports the system event log.
//
// verify checks the hash chains of all three logs of the compliance
// database (system events, configuration audit trail, run file history),
// the times of their records, with --key their seals and with --against the
// heads the system log kept, the seal of the current settings and the
// database file itself, and names every record found changed, missing or
// removed. Through the compliance service the service runs the same check
// (all but --key and --against) and sends the lines. Exit status: 0 intact,
// 1 damage found or the database could not be read, 2 bad arguments.
#include <algorithm>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "apps/tavsec/events_seal_commands.h"
#include "apps/tavsec/export_commands.h"
#include "apps/tavsec/report_commands.h"
#include "audit/listing.h"
#include "client/event_log_proxy.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_log_remote.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/store_verification.h"
#include "services/filelib/system_event_manager.h"
#include "util/file.h"
#include "services/filelib/log_writers.h"
#include "util/strings.h"

namespace tav::tavsec {
namespace {

constexpr int kFailed = 1;

std::string& ExportPath() {
  static std::string path;
  return path;
}

// --format of list: "text" or empty for the plain listing.
std::string& ListFormat() {
  static std::string format;
  return format;
}

bool& ListWorkstations() {
  static bool on = false;
  return on;
}

void List(Context& context) {
  CSystemEventManager manager;
  CAuditCollectionComp* events = manager.LoadEventList();
  if (events == nullptr) {
    context.exit_code = kFailed;  // the cause went to standard error
    return;
  }
  std::vector<WriterRun> writers;
  if (ListWorkstations()) {
    const StoreStatus status = LoadLogWriters(ChainedLog::kSystemEvents, &writers);
    if (!status.ok()) {
      PrintError(status.message());
      context.exit_code = kFailed;
      return;
    }
  }
  const std::vector<WriterRun>* shown = ListWorkstations() ? &writers : nullptr;
  TableFormat format = TableFormat::kCsv;
  if (!ListFormat().empty() && ParseTableFormat(ListFormat(), &format)) {
    std::cout << FormatEventListing(*events, format, kWholeLog, nullptr, shown);
    return;
  }
  uint64_t seq = events->GetSequenceNumber();
  POSITION pos = events->GetFirstChildPosition();
  while (pos != nullptr) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(events->GetNextChild(pos));
    if (event != nullptr) {
      std::cout << seq << "  " << CSystemEventManager::SummarizeEvent(*event);
      if (const std::string_view writer = WriterOf(writers, seq); !writer.empty()) {
        std::cout << "  [" << EscapeControlChars(writer) << "]";
      }
      std::cout << "\n";
    }
    ++seq;
  }
}

// Prints the report and the verdict, and tells the site's monitoring of
// damage found here (the service tells it of what it finds).
void Report(const StoreVerification& verification, const StoreStatus& status,
            const std::vector<std::string>& notes, bool tell_system_log, Context& context) {
  for (const std::string& line : verification.lines) std::cout << line << "\n";
  if (!status.ok()) PrintError(status.message());
  for (const std::string& note : notes) std::cout << "note: " << note << "\n";
  if (verification.intact && status.ok()) return;
  if (tell_system_log) TellSystemLogOfDamage("tavsec events verify", verification);
  std::cout << "VERIFICATION FAILED\n";
  context.exit_code = kFailed;
}

// Through the compliance service, which checks the store where it is.
void VerifyThroughService(Context& context) {
  StoreVerification verification;
  const StoreStatus status = client::VerifyStoreThroughService(&verification);
  Report(verification, status, {"checked by the compliance service", kWithoutSealsNote}, false,
         context);
}

void Verify(Context& context) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  IntegrityOptions options;
  std::vector<std::string> notes;
  if (status.ok() && !PrepareSealedVerify(db->path(), &options, &notes, context)) return;
  StoreVerification verification;
  if (status.ok()) {
    status = db->Read([&](SqlDb& c) {
      return VerifyStore(c, options,
                         [&options, &notes](ChainedLog log, const LogIntegrity& integrity,
                                            std::vector<std::string>* lines) {
                           const std::string line = SealSummary(log, integrity, options);
                           if (!line.empty()) lines->push_back(line);
                           for (const std::string& note : integrity.seals.notes) {
                             if (std::find(notes.begin(), notes.end(), note) == notes.end()) {
                               notes.push_back(note);
                             }
                           }
                         },
                         &verification);
    });
  }
  Report(verification, status, notes, true, context);
}

// --format of export: "chunks" (default) or a signed listing.
std::string& ExportFormat() {
  static std::string format = "chunks";
  return format;
}

void Export(Context& context) {
  TableFormat listing = TableFormat::kCsv;
  if (ParseTableFormat(ExportFormat(), &listing)) {
    WriteSignedExport(ExportedLog::kSystemEvents, listing, ExportPath(), context);
    return;
  }
  CSystemEventManager manager;
  uint64_t count = 0;
  std::string error;
  if (manager.ExportEvents(ExportPath(), &count, &error) != kFileLibOk) {
    PrintError(error);
    context.exit_code = kFailed;
    return;
  }
  std::cout << count << " events written to " << ExportPath() << "\n";
}

}  // namespace

void AddEventsCommands(CLI::App& app, Context& context) {
  CLI::App* events = app.add_subcommand("events", "List, verify and export the system event log");
  events->require_subcommand(1);
  CLI::App* list = events->add_subcommand("list", "Print every system event, oldest first");
  list->add_option("--format", ListFormat(), "text (default), json or csv")
      ->check(CLI::IsMember({"text", "json", "csv"}));
  list->add_flag("--workstations", ListWorkstations(),
                 "name the workstation (the lab store's login role) that stored each event");
  list->callback([&context] { List(context); });
  CLI::App* verify =
      events->add_subcommand("verify", "Check that no logged record was changed or removed");
  verify->callback([verify, &context] {
    // The key and the anchors are checked against the store itself.
    const bool sealed =
        verify->count("--key") + verify->count("--against") + verify->count("--tsa-ca") != 0;
    if (!sealed && EventLogSeam().InUse() != nullptr) {
      VerifyThroughService(context);
    } else {
      Verify(context);
    }
  });
  AddEventsSealCommands(events, verify, context);
  CLI::App* exp = events->add_subcommand(
      "export", "Write the event log to FILE as system event list chunks, or as a signed "
                "CSV or JSON listing");
  exp->add_option("FILE", ExportPath(), "file to write (replaced)")->required();
  exp->add_option("--format", ExportFormat(),
                  "chunks (default), or csv or json: the listing, with the service's "
                  "signature in FILE.sig")
      ->check(CLI::IsMember({"chunks", "csv", "json"}));
  exp->callback([&context] { Export(context); });
  static ReportArgs report_args;
  CLI::App* report = events->add_subcommand(
      "report", "Write the event log (or the events a filter keeps) as a PDF report, newest "
                "first, as the System Audit viewer prints it");
  report->add_option("--pdf", report_args.pdf, "file to write (replaced)")->required();
  AddReportFilterOptions(report, &report_args, "only events of this name (\"Failed Login\")",
                         /*reviewable=*/true);
  report->callback([&context] { WriteEventReport(report_args, context); });
}

}  // namespace tav::tavsec
