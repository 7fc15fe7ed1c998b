// CSystemEventManager: the suite's system event log (logins, failed logins
// and signature attempts, switching the compliance features on and off).
//
// The log is tamper-evident and durable (docs/event-log.md): every event is
// an audit event record (AEvt: date, user, one entry with the audit code)
// stored as its chunk in the compliance database, chained by hash to the
// event before it, and committed to disk before AddSystemEvent returns.
//
// In a process that must use the compliance service (event_log_remote.h),
// the data directory's manager lists, exports and verifies the log through
// the service and refuses to append: the service records the events of
// logons, logoffs and signatures itself, under the names it knows.
//
// Ownership: a manager may be created for one call and destroyed after it;
// the database connection behind it is shared within the process. The list
// LoadEventList returns belongs to the manager.
// Thread safety: a manager is used by one thread at a time; any number of
// managers (threads, processes) may add events at once.
#ifndef TAV_SERVICES_FILELIB_SYSTEM_EVENT_MANAGER_H_
#define TAV_SERVICES_FILELIB_SYSTEM_EVENT_MANAGER_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/audit_code.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/store_status.h"
#include "services/filelib/loaded_lists.h"

namespace tav {

class ComplianceDb;
class EventLogRemote;

class CSystemEventManager {
 public:
  // The log of the data directory.
  CSystemEventManager();
  // The log of the compliance database at `database_path`.
  explicit CSystemEventManager(std::string database_path);
  // The data directory's log in its store, never through the service: for
  // tavsec's account commands, which change the account database in their
  // own process and record that they did.
  static std::unique_ptr<CSystemEventManager> OfStore();
  ~CSystemEventManager();
  CSystemEventManager(const CSystemEventManager&) = delete;
  CSystemEventManager& operator=(const CSystemEventManager&) = delete;

  // Records that `code` happened now for `user_name` (null: empty; cut to
  // 255 bytes). Returns 0 once the event is on disk. A locked database is
  // waited for within the bounded busy timeout. When the event cannot be
  // stored the result is a negative code of filelib_codes.h and a line
  // naming the event and the cause goes to the log output (log_output.h),
  // since callers commonly ignore the result. Through the service: refused
  // with kFileLibInvalidArgument (kInvalid), nothing recorded.
  int AddSystemEvent(AUDITCODE code, const char* user_name);
  // As AddSystemEvent, with the cause of a failure as a status (for callers
  // that refuse the work whose event could not be stored).
  StoreStatus RecordSystemEvent(AUDITCODE code, const char* user_name);

  // Every event of the log in order, however many: a system event list
  // (SyEL) whose sequence number is that of its first event and whose
  // is-full flag is 0 (docs/event-log.md). It may hold more than 65535
  // events, and is then exported in segments (ExportEvents), not written as
  // one chunk. The list belongs to the manager and lives until the next
  // call or the manager's end. Null when the log cannot be read (a line
  // goes to the log output).
  CAuditCollectionComp* LoadEventList();

  // Checks the hash chain of the log. On success the report lists what was
  // found; a storage failure gives its negative code and message.
  int VerifyEventLog(ChainReport* report, std::string* error);

  // Writes the whole log to `path` (replacing it only once complete) as
  // system event list chunks of at most 65535 events each; see
  // event_export.h. Stores the number of events in *count.
  int ExportEvents(const std::string& path, uint64_t* count, std::string* error);

  // One page of the stored log, for the compliance service: the events from
  // sequence number `from` on, at most `max_events` of them and no more
  // record bytes than `max_bytes` (but at least one event), as (sequence
  // number, stored record) in *page. *more says whether events follow the
  // page; *last_seq is the log's last sequence number. Always the store.
  StoreStatus ReadEventPage(uint64_t from, size_t max_events, size_t max_bytes,
                            std::vector<std::pair<uint64_t, std::string>>* page, bool* more,
                            uint64_t* last_seq);

  // "2026-12-06 10:00:01, alice, Failed Login".
  static std::string SummarizeEvent(const CAuditEventComp& event);
  // "event 42 (2026-12-06 10:00:01, alice, Failed Login)".
  static std::string DescribeEvent(uint64_t seq, const CAuditEventComp& event);

 private:
  StoreStatus OpenDb(std::shared_ptr<ComplianceDb>* db);
  // The service's remote when this manager must use it; else null.
  EventLogRemote* Remote() const;
  // Every stored event in order, from the store or the service; *last_seq
  // (when given) is set before the first row.
  StoreStatus ForEachStored(const std::function<bool(uint64_t seq, std::string_view record)>& row,
                            uint64_t* last_seq);

  std::string database_path_;  // empty: the data directory's
  bool store_only_ = false;    // never through the service
  std::unique_ptr<CLoadedAuditCollection> events_;
};

// Builds the record of a system event: an audit event of `user_name` dated
// `date` (0: now) holding one entry of `code`.
std::unique_ptr<CAuditEventComp> MakeSystemEvent(AUDITCODE code, const char* user_name,
                                                 DATE date = 0.0);

// Appends a system event inside a write transaction that the caller holds
// (the configuration service writes events 8 and 9 in the transaction of
// the change they report).
StoreStatus AppendSystemEvent(SqlDb& db, AUDITCODE code, const char* user_name);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_SYSTEM_EVENT_MANAGER_H_
