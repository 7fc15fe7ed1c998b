// tavsec events ...: lists, verifies and exports the system event log.
//
// verify checks the hash chains of all three logs of the compliance
// database (system events, configuration audit trail, run file history),
// the times of their records, with --key their seals and with --against the
// heads the system log kept, the seal of the current settings and the
// database file itself, and names every record found changed, missing or
// removed. Exit status: 0 intact, 1 damage found or the database could
// not be read, 2 bad arguments.
#include <cmath>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "apps/tavsec/events_seal_commands.h"
#include "audit/listing.h"
#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/file_record_comp.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_log_remote.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/log_integrity.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/settings_seal.h"
#include "services/filelib/system_event_manager.h"
#include "util/file.h"
#include "util/ole_date.h"
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

std::unique_ptr<CComponent> Parse(std::string_view bytes) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> record;
  ReadNextComponent(&file, record);
  return record;
}

std::string Date(DATE date) { return FormatOleDate(date, "%Y-%m-%d %H:%M:%S"); }

// How verify names a record of each log.
std::string DescribeRecord(ChainedLog log, uint64_t seq, std::string_view bytes) {
  std::unique_ptr<CComponent> record = Parse(bytes);
  const std::string number = std::to_string(seq);
  if (log == ChainedLog::kSystemEvents) {
    if (const auto* event = dynamic_cast<const CAuditEventComp*>(record.get())) {
      return CSystemEventManager::DescribeEvent(seq, *event);
    }
    return "event " + number + " (unreadable)";
  }
  if (log == ChainedLog::kConfigAudit) {
    if (const auto* event = dynamic_cast<const CAuditEventComp*>(record.get())) {
      return "configuration change " + number + " (" + Date(event->GetEvent().GetDate()) + ", " +
             event->GetEvent().GetUserName() + ")";
    }
    return "configuration change " + number + " (unreadable)";
  }
  if (const auto* file = dynamic_cast<const CFileRecordComp*>(record.get())) {
    return "run file record " + number + " (" + Date(file->GetDate()) + ", " +
           file->GetUserName().value_or("") + ", " + file->GetTypeName() + ", " +
           file->GetFilePath().value_or("") + ")";
  }
  return "run file record " + number + " (unreadable)";
}

// A record's own local date, as wall-clock milliseconds since 1970.
std::optional<int64_t> RecordLocalTime(std::string_view bytes) {
  std::unique_ptr<CComponent> record = Parse(bytes);
  DATE date = 0;
  if (const auto* event = dynamic_cast<const CAuditEventComp*>(record.get())) {
    date = event->GetEvent().GetDate();
  } else if (const auto* file = dynamic_cast<const CFileRecordComp*>(record.get())) {
    date = file->GetDate();
  } else {
    return std::nullopt;
  }
  if (!(date >= kMinOleDate && date <= kMaxOleDate)) return std::nullopt;
  // Days since 1899-12-30; 25569 of them to 1970.
  return static_cast<int64_t>(std::llround((date - 25569.0) * 86400000.0));
}

void List(Context& context) {
  CSystemEventManager manager;
  CAuditCollectionComp* events = manager.LoadEventList();
  if (events == nullptr) {
    context.exit_code = kFailed;  // the cause went to standard error
    return;
  }
  TableFormat format = TableFormat::kCsv;
  if (!ListFormat().empty() && ParseTableFormat(ListFormat(), &format)) {
    std::cout << FormatEventListing(*events, format);
    return;
  }
  uint64_t seq = events->GetSequenceNumber();
  POSITION pos = events->GetFirstChildPosition();
  while (pos != nullptr) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(events->GetNextChild(pos));
    if (event != nullptr) {
      std::cout << seq << "  " << CSystemEventManager::SummarizeEvent(*event) << "\n";
    }
    ++seq;
  }
}

// Through the compliance service: the service checks the chain of the
// system event log (and tells the system log of damage itself).
void VerifyThroughService(Context& context) {
  CSystemEventManager manager;
  ChainReport report;
  std::string error;
  if (manager.VerifyEventLog(&report, &error) != kFileLibOk) {
    PrintError(error);
    std::cout << "VERIFICATION FAILED\n";
    context.exit_code = kFailed;
    return;
  }
  const char* title = ChainedLogTitle(ChainedLog::kSystemEvents);
  for (const ChainProblem& problem : report.problems) {
    std::cout << title << ": " << problem.text << "\n";
  }
  if (report.ok()) {
    std::cout << title << ": " << report.count << (report.count == 1 ? " record" : " records")
              << ", chain intact";
    if (report.count != 0) std::cout << ", last hash " << HexEncode(ChainHashBytes(report.head));
    std::cout << "\n";
  }
  std::cout << "note: checked by the compliance service: the chain of the system event log "
               "(--key checks every log, its seals and the database file)\n";
  if (!report.ok()) {
    std::cout << "VERIFICATION FAILED\n";
    context.exit_code = kFailed;
  }
}

void Verify(Context& context) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  bool intact = status.ok();
  IntegrityOptions options;
  std::vector<std::string> notes;
  if (status.ok() && !PrepareSealedVerify(db->path(), &options, &notes, context)) return;
  std::string first_finding;
  if (status.ok()) {
    status = db->Read([&](SqlDb& c) {
      for (ChainedLog log :
           {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit, ChainedLog::kRunHistory}) {
        LogIntegrity integrity;
        options.local_time = &RecordLocalTime;
        StoreStatus s = CheckLogIntegrity(c, log, options, [log](uint64_t seq, std::string_view bytes) {
          return DescribeRecord(log, seq, bytes);
        }, &integrity);
        if (!s.ok()) return s;
        const ChainReport& report = integrity.chain;
        if (integrity.ok()) {
          std::cout << ChainedLogTitle(log) << ": " << report.count
                    << (report.count == 1 ? " record" : " records") << ", chain intact";
          if (report.count != 0) {
            std::cout << ", last hash "
                      << HexEncode(ChainHashBytes(report.head));
          }
          std::cout << "\n";
        }
        for (const IntegrityFinding& finding : integrity.findings) {
          intact = false;
          if (first_finding.empty()) first_finding = std::string(ChainedLogTitle(log)) + ": " + finding.text;
          std::cout << ChainedLogTitle(log) << ": " << finding.text << "\n";
        }
        if (!integrity.ok()) {
          std::cout << ChainedLogTitle(log) << ": first damaged record: "
                    << integrity.FirstDamaged() << "\n";
        }
        PrintSealSummary(log, integrity, options);
      }
      // The current settings against the seal their last audited write left.
      StoreStatus s = CheckSettingsSeal(c);
      if (s.code() == StoreStatus::kTampered) {
        intact = false;
        std::cout << "settings: " << s.message() << "\n";
      } else if (!s.ok()) {
        return s;
      } else if (c.engine() == SqlDb::Engine::kPostgres) {
        std::cout << "settings: changed in the lab store only together with their trail\n";
      } else {
        std::cout << "settings: match their seal\n";
      }
      // The file itself: pages and indexes that SQLite can still make sense
      // of. The lab store's server keeps its own pages.
      if (c.engine() != SqlDb::Engine::kSqlite) return StoreStatus::Ok();
      SqlStatement check = c.Prepare("PRAGMA quick_check", &s);
      if (!s.ok()) return s;
      while (check.Step(&s)) {
        const std::string line(check.ColumnText(0));
        if (line != "ok") intact = false;
        std::cout << "database: " << line << "\n";
      }
      return s;
    });
  }
  if (!status.ok()) {
    PrintError(status.message());
    intact = false;
  }
  for (const std::string& note : notes) std::cout << "note: " << note << "\n";
  if (!intact) {
    // The site's monitoring hears of it at once.
    SendAuthLog(true, "tavsec events verify: the compliance database failed verification" +
                          (first_finding.empty() ? std::string() : ": " + first_finding));
    std::cout << "VERIFICATION FAILED\n";
    context.exit_code = kFailed;
  }
}

void Export(Context& context) {
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
  list->callback([&context] { List(context); });
  CLI::App* verify =
      events->add_subcommand("verify", "Check that no logged record was changed or removed");
  verify->callback([verify, &context] {
    // The key and the anchors are checked against the store itself.
    const bool sealed = verify->count("--key") + verify->count("--against") != 0;
    if (!sealed && EventLogSeam().InUse() != nullptr) {
      VerifyThroughService(context);
    } else {
      Verify(context);
    }
  });
  AddEventsSealCommands(events, verify, context);
  CLI::App* exp = events->add_subcommand(
      "export", "Write the event log to FILE as system event list chunks");
  exp->add_option("FILE", ExportPath(), "file to write (replaced)")->required();
  exp->callback([&context] { Export(context); });
}

}  // namespace tav::tavsec
