#include "services/filelib/log_writers.h"

#include <algorithm>
#include <memory>
#include <string>

#include "services/filelib/compliance_db.h"
#include "services/filelib/event_log_remote.h"

namespace tav {
namespace {

// Runs read in one transaction when the whole log is loaded.
constexpr size_t kRunsPerRead = 16384;

const char* WritersSql(ChainedLog log) {
  switch (log) {
    case ChainedLog::kSystemEvents:
      return "SELECT seq, written_by FROM system_events WHERE seq >= ?1 AND written_by IS NOT NULL "
             "ORDER BY seq";
    case ChainedLog::kConfigAudit:
      return "SELECT seq, written_by FROM config_audit WHERE seq >= ?1 AND written_by IS NOT NULL "
             "ORDER BY seq";
    case ChainedLog::kRunHistory:
      return "SELECT seq, written_by FROM run_history WHERE seq >= ?1 AND written_by IS NOT NULL "
             "ORDER BY seq";
  }
  return "";
}

}  // namespace

StoreStatus ReadLogWriters(SqlDb& db, ChainedLog log, uint64_t from, size_t max_runs,
                           std::vector<WriterRun>* runs, bool* more) {
  runs->clear();
  *more = false;
  if (db.engine() != SqlDb::Engine::kPostgres || max_runs == 0) return StoreStatus::Ok();
  StoreStatus status;
  SqlStatement rows = db.Prepare(WritersSql(log), &status);
  if (!status.ok()) return status;
  rows.BindInt64(1, static_cast<int64_t>(std::min<uint64_t>(from, INT64_MAX)));
  while (rows.Step(&status)) {
    const uint64_t seq = static_cast<uint64_t>(rows.ColumnInt64(0));
    const std::string_view writer = rows.ColumnText(1);
    if (!runs->empty() && runs->back().last + 1 == seq && runs->back().writer == writer) {
      runs->back().last = seq;
      continue;
    }
    if (runs->size() == max_runs) {
      *more = true;
      break;
    }
    runs->push_back({seq, seq, std::string(writer)});
  }
  return status;
}

StoreStatus LoadLogWriters(ChainedLog log, std::vector<WriterRun>* runs) {
  runs->clear();
  if (EventLogRemote* remote = EventLogSeam().InUse()) return remote->LogWriters(log, runs);
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  if (!status.ok()) return status;
  uint64_t from = 1;
  for (bool more = true; more;) {
    std::vector<WriterRun> part;
    status = db->Read([&](SqlDb& c) { return ReadLogWriters(c, log, from, kRunsPerRead, &part, &more); });
    if (!status.ok()) return status;
    if (part.empty()) break;
    from = part.back().last + 1;
    runs->insert(runs->end(), std::make_move_iterator(part.begin()),
                 std::make_move_iterator(part.end()));
  }
  return StoreStatus::Ok();
}

std::string_view WriterOf(const std::vector<WriterRun>& runs, uint64_t seq) {
  auto it = std::upper_bound(runs.begin(), runs.end(), seq,
                             [](uint64_t s, const WriterRun& run) { return s < run.first; });
  if (it == runs.begin()) return {};
  --it;
  return seq <= it->last ? std::string_view(it->writer) : std::string_view();
}

}  // namespace tav
