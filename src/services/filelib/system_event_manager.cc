#include "services/filelib/system_event_manager.h"

#include <optional>

#include "records/audit_entry_comp.h"
#include "records/chunk_file.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/component_arena.h"
#include "services/filelib/event_export.h"
#include "services/filelib/event_log_remote.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/loaded_lists.h"
#include "services/filelib/log_output.h"
#include "util/file.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {

namespace {

std::string EventChunk(CAuditEventComp& event) {
  CMemFile file(256);
  event.StreamDataOut(&file);
  return file.TakeString();
}

std::unique_ptr<CAuditEventComp> ParseEvent(std::string_view bytes) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> component;
  if (ReadNextComponent(&file, component) != kRecordOk) return nullptr;
  auto* event = dynamic_cast<CAuditEventComp*>(component.get());
  if (event == nullptr) return nullptr;
  component.release();
  return std::unique_ptr<CAuditEventComp>(event);
}

std::string DescribeStored(uint64_t seq, std::string_view bytes) {
  std::unique_ptr<CAuditEventComp> event = ParseEvent(bytes);
  if (event == nullptr) return "event " + std::to_string(seq) + " (unreadable)";
  return CSystemEventManager::DescribeEvent(seq, *event);
}

}  // namespace

std::unique_ptr<CAuditEventComp> MakeSystemEvent(AUDITCODE code, const char* user_name,
                                                 DATE date) {
  auto event = std::make_unique<CAuditEventComp>();
  event->SetEvent(user_name == nullptr ? std::string_view() : std::string_view(user_name),
                  date == 0.0 ? OleDateNow() : date);
  event->AddAuditEntry(code, nullptr, nullptr);
  return event;
}

StoreStatus AppendSystemEvent(SqlDb& db, AUDITCODE code, const char* user_name) {
  std::unique_ptr<CAuditEventComp> event = MakeSystemEvent(code, user_name);
  return AppendChained(db, ChainedLog::kSystemEvents, EventChunk(*event));
}

std::string CSystemEventManager::SummarizeEvent(const CAuditEventComp& event) {
  std::string code_name = "no entry";
  POSITION pos = event.GetFirstChildPosition();
  if (pos != nullptr) {
    if (const auto* entry = dynamic_cast<const CAuditEntryComp*>(event.GetNextChild(pos))) {
      code_name = GetAuditCodeName(entry->GetAuditCode());
    }
  }
  // The stored name is escaped: a line break in it must not forge a line.
  return FormatOleDate(event.GetEvent().GetDate(), "%Y-%m-%d %H:%M:%S") + ", " +
         EscapeControlChars(event.GetEvent().GetUserName()) + ", " + code_name;
}

std::string CSystemEventManager::DescribeEvent(uint64_t seq, const CAuditEventComp& event) {
  return "event " + std::to_string(seq) + " (" + SummarizeEvent(event) + ")";
}

CSystemEventManager::CSystemEventManager() = default;
CSystemEventManager::CSystemEventManager(std::string database_path)
    : database_path_(std::move(database_path)) {}
CSystemEventManager::~CSystemEventManager() = default;

StoreStatus CSystemEventManager::OpenDb(std::shared_ptr<ComplianceDb>* db) {
  return database_path_.empty() ? ComplianceDb::Get(db) : ComplianceDb::GetAt(database_path_, db);
}

std::unique_ptr<CSystemEventManager> CSystemEventManager::OfStore() {
  auto manager = std::make_unique<CSystemEventManager>();
  manager->store_only_ = true;
  return manager;
}

EventLogRemote* CSystemEventManager::Remote() const {
  return database_path_.empty() && !store_only_ ? EventLogSeam().InUse() : nullptr;
}

StoreStatus CSystemEventManager::ForEachStored(
    const std::function<bool(uint64_t, std::string_view)>& row, uint64_t* last_seq) {
  if (EventLogRemote* remote = Remote()) return remote->ForEachEvent(row, last_seq);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (!status.ok()) return status;
  return db->Read([&](SqlDb& c) {
    if (last_seq != nullptr) {
      StoreStatus s = LastChainedSeq(c, ChainedLog::kSystemEvents, last_seq);
      if (!s.ok()) return s;
    }
    return ForEachChained(c, ChainedLog::kSystemEvents, row);
  });
}

int CSystemEventManager::AddSystemEvent(AUDITCODE code, const char* user_name) {
  return FileLibCode(RecordSystemEvent(code, user_name));
}

StoreStatus CSystemEventManager::RecordSystemEvent(AUDITCODE code, const char* user_name) {
  // The record is made once, before any waiting, so that its date is when
  // the event happened.
  std::unique_ptr<CAuditEventComp> event = MakeSystemEvent(code, user_name);
  StoreStatus status;
  if (Remote() != nullptr) {
    // The service names the users of the events it records from its own
    // records; a client's word for whom an event concerns counts for nothing.
    status = StoreStatus(StoreStatus::kInvalid,
                         "system events are recorded by the compliance service, not by its clients");
  } else {
    std::shared_ptr<ComplianceDb> db;
    status = OpenDb(&db);
    if (status.ok()) status = db->AppendToLog(ChainedLog::kSystemEvents, EventChunk(*event));
  }
  if (!status.ok()) {
    LogLine("system event not stored (" + SummarizeEvent(*event) + "): " + status.message());
  }
  return status;
}

CAuditCollectionComp* CSystemEventManager::LoadEventList() {
  events_.reset();
  RegisterArenaEventKinds();
  auto events = std::make_unique<CLoadedAuditCollection>("SyEL");
  uint64_t expected = 0;
  std::optional<ScopedComponentArena> arena;
  bool first = true;
  StoreStatus status = ForEachStored([&](uint64_t seq, std::string_view bytes) {
    if (first) {
      arena.emplace(ScopedComponentArena::EventBytes(expected));
      events->SetSequenceNumber(static_cast<uint32_t>(seq));
      first = false;
    }
    std::unique_ptr<CAuditEventComp> event = ParseEvent(bytes);
    if (event == nullptr) {
      // One unreadable record must not hide the rest of the log; it is
      // reported and `tavsec events verify` names it.
      LogLine("system event " + std::to_string(seq) + " cannot be read; it was left out");
      return true;
    }
    events->AppendLoaded(std::move(event));
    return true;
  }, &expected);
  arena.reset();
  if (!status.ok()) {
    LogLine("system event log not read: " + status.message());
    return nullptr;
  }
  events->Finish();
  events_ = std::move(events);
  return events_.get();
}

int CSystemEventManager::VerifyEventLog(ChainReport* report, std::string* error) {
  if (EventLogRemote* remote = Remote()) {
    // The service checks the chain (and tells the system log of damage).
    int result = kFileLibOk;
    StoreStatus status = remote->VerifyEventLog(&result, report, error);
    if (!status.ok()) {
      *error = status.message();
      return FileLibCode(status);
    }
    return result;
  }
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (status.ok()) {
    status = db->Read([&](SqlDb& c) {
      return VerifyChain(c, ChainedLog::kSystemEvents, report, &DescribeStored);
    });
  }
  if (status.ok() && !report->ok()) {
    SendAuthLog(true, "system event log failed verification: " + report->problems.front().text);
  }
  if (!status.ok()) {
    *error = status.message();
    return FileLibCode(status);
  }
  return kFileLibOk;
}

int CSystemEventManager::ExportEvents(const std::string& path, uint64_t* count,
                                      std::string* error) {
  // Written here, in the caller's process, from the stored records wherever
  // they come from: the file is the user's and goes where the user may write.
  CMemFile out(1 << 20);
  uint64_t n = 0;
  EventExportWriter writer(&out);
  StoreStatus status = ForEachStored([&](uint64_t seq, std::string_view bytes) {
    writer.Add(seq, bytes);
    ++n;
    return true;
  }, nullptr);
  if (!status.ok()) {
    *error = status.message();
    return FileLibCode(status);
  }
  writer.Finish();
  try {
    // The log is for the people it names and their inspectors only.
    WriteFileAtomically(path, out.view(), 0600);
  } catch (const CFileException& e) {
    *error = e.what();
    return e.cause() == CFileException::kDiskFull ? kFileLibDiskFull : kFileLibCannotOpen;
  }
  *count = n;
  return kFileLibOk;
}

StoreStatus CSystemEventManager::ReadEventPage(
    uint64_t from, size_t max_events, size_t max_bytes,
    std::vector<std::pair<uint64_t, std::string>>* page, bool* more, uint64_t* last_seq) {
  page->clear();
  *more = false;
  *last_seq = 0;
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = OpenDb(&db);
  if (!status.ok()) return status;
  return db->Read([&](SqlDb& c) {
    StoreStatus s = LastChainedSeq(c, ChainedLog::kSystemEvents, last_seq);
    if (!s.ok()) return s;
    size_t bytes = 0;
    page->clear();  // a transaction tried again starts over
    *more = false;
    return ForEachChainedFrom(c, ChainedLog::kSystemEvents, from,
                              [&](uint64_t seq, std::string_view record) {
      if (page->size() == max_events || (!page->empty() && bytes + record.size() > max_bytes)) {
        *more = true;
        return false;
      }
      page->emplace_back(seq, std::string(record));
      bytes += record.size();
      return true;
    });
  });
}

}  // namespace tav
