#include "apps/tavsec/store_migrate.h"

#include <optional>
#include <utility>

#include "services/filelib/settings_seal.h"

namespace tav::tavsec {
namespace {

constexpr ChainedLog kLogs[] = {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit,
                                ChainedLog::kRunHistory};

// Each log's statements, one text per log.
struct LogSql {
  const char* source_rows;
  const char* lab_insert;
  const char* lab_rows_from;
  const char* lab_has_record;
};

#define TAV_MIGRATE_SQL(table)                                                               \
  LogSql {                                                                                   \
    "SELECT seq, record, chain, utc, epoch, tag FROM " table " ORDER BY seq",                \
        "INSERT INTO " table "(seq, record, chain, utc, epoch, tag, alg, written_by) "       \
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6, 1, session_user)",                                   \
        "SELECT seq, record, chain FROM " table " WHERE seq >= ?1 ORDER BY seq",             \
        "SELECT seq FROM " table " WHERE record = ?1 LIMIT 1"                                \
  }
const LogSql kSql[] = {TAV_MIGRATE_SQL("system_events"), TAV_MIGRATE_SQL("config_audit"),
                       TAV_MIGRATE_SQL("run_history")};
#undef TAV_MIGRATE_SQL

const LogSql& Sql(ChainedLog log) { return kSql[static_cast<int>(log)]; }

struct LogRow {
  uint64_t seq = 0;
  std::string record;
  std::string chain;
  std::optional<int64_t> utc, epoch;
  std::optional<std::string> tag;
};

struct SourceLog {
  std::vector<LogRow> rows;
  ChainHash head{};
  uint64_t last_seq = 0;
};

struct Source {
  std::string path;
  std::array<SourceLog, 3> logs;
  std::vector<std::pair<std::string, std::string>> settings;  // name, record
  std::vector<std::pair<std::string, std::string>> run_list;  // path, record
};

StoreStatus Failed(StoreStatus::Code code, const std::string& text) {
  return StoreStatus(code, text + "; nothing was migrated");
}

// --- The source -----------------------------------------------------------

StoreStatus ReadSourceLog(SqlDb& db, ChainedLog log, SourceLog* out) {
  ChainReport report;
  StoreStatus status = VerifyChain(db, log, &report);
  if (!status.ok()) return status;
  if (!report.ok()) {
    return Failed(StoreStatus::kTampered, db.path() + ": the " + ChainedLogTitle(log) +
                                              " does not verify: " + report.problems[0].text);
  }
  out->head = report.head;
  out->last_seq = report.last_seq;
  SqlStatement rows = db.Prepare(Sql(log).source_rows, &status);
  if (!status.ok()) return status;
  while (rows.Step(&status)) {
    LogRow row;
    row.seq = static_cast<uint64_t>(rows.ColumnInt64(0));
    row.record = std::string(rows.ColumnBlob(1));
    row.chain = std::string(rows.ColumnBlob(2));
    if (!rows.ColumnIsNull(3)) row.utc = rows.ColumnInt64(3);
    if (!rows.ColumnIsNull(4)) row.epoch = rows.ColumnInt64(4);
    if (!rows.ColumnIsNull(5)) row.tag = std::string(rows.ColumnBlob(5));
    out->rows.push_back(std::move(row));
  }
  return status;
}

StoreStatus ReadPairs(SqlDb& db, const char* sql,
                      std::vector<std::pair<std::string, std::string>>* out) {
  StoreStatus status;
  SqlStatement rows = db.Prepare(sql, &status);
  if (!status.ok()) return status;
  while (rows.Step(&status)) {
    out->emplace_back(std::string(rows.ColumnText(0)), std::string(rows.ColumnBlob(1)));
  }
  return status;
}

StoreStatus ReadSource(const std::string& path, Source* source) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::GetAt(path, &db, ComplianceDb::IfMissing::kFail);
  if (!status.ok()) return status;
  source->path = db->path();
  return db->Read([source](SqlDb& c) {
    for (ChainedLog log : kLogs) {
      SourceLog& out = source->logs[static_cast<int>(log)];
      out = SourceLog();
      StoreStatus s = ReadSourceLog(c, log, &out);
      if (!s.ok()) return s;
    }
    // Settings changed behind the configuration service do not travel.
    StoreStatus s = CheckSettingsSeal(c);
    if (s.code() == StoreStatus::kTampered) return Failed(s.code(), s.message());
    if (!s.ok()) return s;
    source->settings.clear();
    source->run_list.clear();
    s = ReadPairs(c, "SELECT name, record FROM settings ORDER BY name", &source->settings);
    if (s.ok()) {
      s = ReadPairs(c, "SELECT path, record FROM run_list ORDER BY id", &source->run_list);
    }
    return s;
  });
}

// --- The lab store --------------------------------------------------------

StoreStatus Query(SqlDb& db, const char* sql, std::string_view text, int64_t* value,
                  bool* found) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(sql, &status);
  if (!status.ok()) return status;
  stmt.BindText(1, text);
  *found = stmt.Step(&status);
  if (*found) *value = stmt.ColumnIsNull(0) ? 0 : stmt.ColumnInt64(0);
  return status;
}

// The first workstation's log goes in as it is: same numbers, chain, times
// and seals, and the head continues from it.
StoreStatus CopyVerbatim(SqlDb& db, ChainedLog log, const SourceLog& source,
                         std::vector<uint64_t>* placed) {
  StoreStatus status;
  for (const LogRow& row : source.rows) {
    SqlStatement insert = db.Prepare(Sql(log).lab_insert, &status);
    if (!status.ok()) return status;
    insert.BindInt64(1, static_cast<int64_t>(row.seq));
    insert.BindBlob(2, row.record);
    insert.BindBlob(3, row.chain);
    row.utc ? insert.BindInt64(4, *row.utc) : insert.BindNull(4);
    row.epoch ? insert.BindInt64(5, *row.epoch) : insert.BindNull(5);
    row.tag ? insert.BindBlob(6, *row.tag) : insert.BindNull(6);
    status = insert.Run();
    if (!status.ok()) return status;
    placed->push_back(row.seq);
  }
  if (source.rows.empty()) return StoreStatus::Ok();
  SqlStatement head = db.Prepare(
      "INSERT INTO chain_heads(log, seq, chain) VALUES(?1, ?2, ?3) "
      "ON CONFLICT(log) DO UPDATE SET seq = excluded.seq, chain = excluded.chain",
      &status);
  if (!status.ok()) return status;
  head.BindText(1, ChainedLogTable(log));
  head.BindInt64(2, static_cast<int64_t>(source.last_seq));
  head.BindBlob(3, ChainHashBytes(source.head));
  return head.Run();
}

// A later workstation's records are chained by the lab after its own.
StoreStatus Append(SqlDb& db, ChainedLog log, const SourceLog& source,
                   std::vector<uint64_t>* placed) {
  StoreStatus status;
  for (const LogRow& row : source.rows) {
    SqlStatement append = db.Prepare("SELECT seq, chain FROM tav_append(?1, ?2)", &status);
    if (!status.ok()) return status;
    append.BindText(1, ChainedLogTable(log));
    append.BindBlob(2, row.record);
    if (!append.Step(&status)) {
      return status.ok() ? StoreStatus(StoreStatus::kIOError,
                                       db.path() + ": the lab store did not chain a record")
                         : status;
    }
    placed->push_back(static_cast<uint64_t>(append.ColumnInt64(0)));
  }
  return StoreStatus::Ok();
}

// Every source record at the place it was given, in order, with its bytes
// (and, copied verbatim, its chain); and the lab's chain intact.
StoreStatus CheckPlaced(SqlDb& db, ChainedLog log, const SourceLog& source,
                        const std::vector<uint64_t>& placed, bool verbatim, uint64_t* lab_count) {
  ChainReport report;
  StoreStatus status = VerifyChain(db, log, &report);
  if (!status.ok()) return status;
  if (!report.ok()) {
    return Failed(StoreStatus::kCorrupt, db.path() + ": the lab's " + ChainedLogTitle(log) +
                                             " does not verify after the copy: " +
                                             report.problems[0].text);
  }
  *lab_count = report.count;
  if (placed.empty()) return StoreStatus::Ok();
  SqlStatement rows = db.Prepare(Sql(log).lab_rows_from, &status);
  if (!status.ok()) return status;
  rows.BindInt64(1, static_cast<int64_t>(placed.front()));
  size_t next = 0;
  while (next < placed.size() && rows.Step(&status)) {
    if (static_cast<uint64_t>(rows.ColumnInt64(0)) != placed[next]) continue;
    const LogRow& row = source.rows[next];
    if (rows.ColumnBlob(1) != row.record || (verbatim && rows.ColumnBlob(2) != row.chain)) break;
    ++next;
  }
  if (!status.ok()) return status;
  if (next < placed.size()) {
    return Failed(StoreStatus::kCorrupt,
                  db.path() + ": record " + std::to_string(source.rows[next].seq) + " of the " +
                      ChainedLogTitle(log) + " was not found in the lab store after the copy");
  }
  return StoreStatus::Ok();
}

StoreStatus MoveLog(SqlDb& db, ChainedLog log, const SourceLog& source, MigratedLog* out) {
  uint64_t lab_rows = 0;
  StoreStatus status = CountChained(db, log, &lab_rows);
  if (!status.ok()) return status;
  int64_t head_seq = 0;
  bool found = false;
  status = Query(db, "SELECT seq FROM chain_heads WHERE log = ?1", ChainedLogTable(log),
                 &head_seq, &found);
  if (!status.ok()) return status;
  if (lab_rows == 0 && found && head_seq > 0) {
    // Its records were removed: copying would hide that.
    return Failed(StoreStatus::kTampered,
                  db.path() + ": the lab's " + ChainedLogTitle(log) + " is empty but held " +
                      std::to_string(head_seq) + " records (see tavsec events verify)");
  }
  if (lab_rows != 0 && !source.rows.empty()) {
    // The same database migrated twice would log everything twice.
    SqlStatement seen = db.Prepare(Sql(log).lab_has_record, &status);
    if (!status.ok()) return status;
    seen.BindBlob(1, source.rows.back().record);
    if (seen.Step(&status)) {
      return Failed(StoreStatus::kExists,
                    db.path() + ": the lab's " + ChainedLogTitle(log) + " holds record " +
                        std::to_string(source.rows.back().seq) + " of this database already (as " +
                        std::to_string(seen.ColumnInt64(0)) + "): it was migrated before");
    }
    if (!status.ok()) return status;
  }
  *out = MigratedLog();
  out->log = log;
  out->source_count = source.rows.size();
  out->verbatim = lab_rows == 0;
  std::vector<uint64_t> placed;
  status = out->verbatim ? CopyVerbatim(db, log, source, &placed)
                         : Append(db, log, source, &placed);
  if (!status.ok()) return status;
  if (!placed.empty()) {
    out->first_seq = placed.front();
    out->last_seq = placed.back();
  }
  return CheckPlaced(db, log, source, placed, out->verbatim, &out->lab_count);
}

StoreStatus MoveSettings(SqlDb& db, const Source& source, MigrationSummary* summary) {
  StoreStatus status;
  for (const auto& [name, record] : source.settings) {
    SqlStatement lab = db.Prepare("SELECT record FROM settings WHERE name = ?1", &status);
    if (!status.ok()) return status;
    lab.BindText(1, name);
    if (lab.Step(&status)) {
      if (lab.ColumnBlob(0) == record) {
        ++summary->settings_same;
      } else {
        summary->settings_kept.push_back(name);
      }
      continue;
    }
    if (!status.ok()) return status;
    SqlStatement insert =
        db.Prepare("INSERT INTO settings(name, record) VALUES(?1, ?2)", &status);
    if (!status.ok()) return status;
    insert.BindText(1, name);
    insert.BindBlob(2, record);
    status = insert.Run();
    if (!status.ok()) return status;
    ++summary->settings_added;
  }
  return StoreStatus::Ok();
}

StoreStatus MoveRunList(SqlDb& db, const Source& source, MigrationSummary* summary) {
  StoreStatus status;
  for (const auto& [path, record] : source.run_list) {
    SqlStatement insert = db.Prepare(
        "INSERT INTO run_list(path, record) VALUES(?1, ?2) ON CONFLICT(path) DO NOTHING "
        "RETURNING path",
        &status);
    if (!status.ok()) return status;
    insert.BindText(1, path);
    insert.BindBlob(2, record);
    const bool added = insert.Step(&status);
    if (!status.ok()) return status;
    ++(added ? summary->runs_added : summary->runs_listed);
  }
  return StoreStatus::Ok();
}

StoreStatus MoveAll(SqlDb& db, const Source& source, MigrationSummary* summary) {
  *summary = MigrationSummary();
  // Workstations chain under this lock (lab_store_schema.cc): none may
  // chain between the counts read here and the rows written.
  StoreStatus status;
  {
    SqlStatement lock =
        db.Prepare("SELECT pg_advisory_xact_lock(hashtext(current_schema() || '/chain'))", &status);
    if (!status.ok()) return status;
    status = lock.Run();
    if (!status.ok()) return status;
  }
  for (ChainedLog log : kLogs) {
    const int i = static_cast<int>(log);
    status = MoveLog(db, log, source.logs[i], &summary->logs[i]);
    if (!status.ok()) return status;
  }
  status = MoveSettings(db, source, summary);
  if (status.ok()) status = MoveRunList(db, source, summary);
  return status;
}

}  // namespace

StoreStatus MigrateToLab(const std::string& source_path, ComplianceDb& lab,
                         MigrationSummary* summary) {
  if (lab.engine() != SqlDb::Engine::kPostgres) {
    return StoreStatus(StoreStatus::kInvalid, "the target is not a lab store");
  }
  Source source;
  StoreStatus status = ReadSource(source_path, &source);
  if (!status.ok()) return status;
  return lab.Write([&](SqlDb& c) { return MoveAll(c, source, summary); });
}

}  // namespace tav::tavsec
