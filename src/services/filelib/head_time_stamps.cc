#include "services/filelib/head_time_stamps.h"

#include <algorithm>
#include <ctime>
#include <sstream>

#include "services/filelib/head_anchor.h"
#include "services/filelib/record_chain.h"
#include "util/sqlite_db.h"
#include "util/strings.h"
#include "util/time_stamp.h"

namespace tav {
namespace {

constexpr char kHeader[] = "tav head checkpoint 1";
constexpr char kCreate[] =
    "CREATE TABLE IF NOT EXISTS head_time_stamps("
    "id INTEGER PRIMARY KEY, heads TEXT NOT NULL, token BLOB NOT NULL, stamped INTEGER NOT NULL)";
constexpr ChainedLog kLogs[] = {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit,
                                ChainedLog::kRunHistory};

std::string Zeros() { return std::string(64, '0'); }

// Whether record `seq` of the log in `table` has the chain hash `hex`:
// "" when it does, else what is wrong.
StoreStatus CheckHead(SqlDb& db, const std::string& table, uint64_t seq, const std::string& hex,
                      std::string* problem) {
  problem->clear();
  if (seq == 0) return StoreStatus::Ok();
  StoreStatus status;
  SqlStatement select =
      db.Prepare(("SELECT chain FROM " + table + " WHERE seq = ?1").c_str(), &status);
  if (!status.ok()) return status;
  select.BindInt64(1, static_cast<int64_t>(seq));
  if (!select.Step(&status)) {
    if (status.ok()) *problem = "record " + std::to_string(seq) + " is gone";
    return status;
  }
  if (HexEncode(select.ColumnBlob(0)) != hex) {
    *problem = "record " + std::to_string(seq) + " is not the one stamped (its chain hash differs)";
  }
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus HeadCheckpointText(SqlDb& db, std::string* text) {
  std::string store_id;
  StoreStatus status = ReadStoreId(db, &store_id);
  if (!status.ok()) return status;
  std::string out = std::string(kHeader) + "\nstore " + store_id + "\n";
  for (ChainedLog log : kLogs) {
    const char* table = ChainedLogTable(log);
    SqlStatement select = db.Prepare("SELECT seq, chain FROM chain_heads WHERE log = ?1", &status);
    if (!status.ok()) return status;
    select.BindText(1, table);
    std::string line = std::string(table) + " 0 " + Zeros();
    if (select.Step(&status)) {
      line = std::string(table) + " " + std::to_string(select.ColumnInt64(0)) + " " +
             HexEncode(select.ColumnBlob(1));
    }
    if (!status.ok()) return status;
    out += line + "\n";
  }
  *text = std::move(out);
  return StoreStatus::Ok();
}

StoreStatus StoreHeadTimeStamp(SqlDb& db, const std::string& text, const std::string& token) {
  TimeStampInfo info;
  StoreStatus status = ReadTimeStamp(token, &info);
  if (status.ok()) status = db.Exec(kCreate);
  if (!status.ok()) return status;
  SqlStatement insert =
      db.Prepare("INSERT INTO head_time_stamps(heads, token, stamped) VALUES(?1, ?2, ?3)", &status);
  if (!status.ok()) return status;
  insert.BindText(1, text);
  insert.BindBlob(2, token);
  insert.BindInt64(3, info.gen_time_utc_ms);
  return insert.Run();
}

StoreStatus LastHeadTimeStamp(SqlDb& db, int64_t* stamped_ms) {
  *stamped_ms = 0;
  bool present = false;
  StoreStatus status = SqliteTableExists(db, "head_time_stamps", &present);
  if (!status.ok() || !present) return status;
  SqlStatement select = db.Prepare("SELECT max(stamped) FROM head_time_stamps", &status);
  if (!status.ok()) return status;
  if (select.Step(&status) && !select.ColumnIsNull(0)) *stamped_ms = select.ColumnInt64(0);
  return status;
}

StoreStatus CheckHeadTimeStamps(SqlDb& db, const std::string& ca_file, HeadTimeStampReport* out) {
  if (db.engine() != SqlDb::Engine::kSqlite) return StoreStatus::Ok();
  bool present = false;
  StoreStatus status = SqliteTableExists(db, "head_time_stamps", &present);
  if (!status.ok() || !present) return status;
  std::string store_id;
  status = ReadStoreId(db, &store_id);
  if (!status.ok()) return status;
  struct Row {
    int64_t id;
    std::string heads;
    std::string token;
  };
  std::vector<Row> rows;
  {
    SqlStatement select =
        db.Prepare("SELECT id, heads, token FROM head_time_stamps ORDER BY id", &status);
    if (!status.ok()) return status;
    while (select.Step(&status)) {
      rows.push_back({select.ColumnInt64(0), std::string(select.ColumnText(1)),
                      std::string(select.ColumnBlob(2))});
    }
    if (!status.ok()) return status;
  }
  int64_t previous_stamp = 0;
  for (const Row& row : rows) {
    const std::string name = "time-stamped checkpoint " + std::to_string(row.id);
    std::istringstream lines(row.heads);
    std::string header;
    std::string store_line;
    std::getline(lines, header);
    std::getline(lines, store_line);
    if (header != kHeader || store_line != "store " + store_id) {
      out->findings.push_back(name + " is not a checkpoint of this store");
      continue;
    }
    bool damaged = false;
    for (ChainedLog log : kLogs) {
      std::string table;
      uint64_t seq = 0;
      std::string hex;
      if (!(lines >> table >> seq >> hex) || table != ChainedLogTable(log) || hex.size() != 64) {
        out->findings.push_back(name + " does not read");
        damaged = true;
        break;
      }
      std::string problem;
      status = CheckHead(db, table, seq, hex, &problem);
      if (!status.ok()) return status;
      if (!problem.empty()) {
        out->findings.push_back(std::string(ChainedLogTitle(log)) + ": " + problem + ", though " +
                                name + " names it: records may have been removed or changed");
        damaged = true;
      }
    }
    if (damaged) continue;
    if (ca_file.empty()) {
      ++out->checked;
      continue;
    }
    TimeStampInfo info;
    const StoreStatus stamped = VerifyTimeStamp(row.token, row.heads, ca_file, &info);
    if (!stamped.ok()) {
      out->findings.push_back(name + ": " + stamped.message());
      continue;
    }
    // Checkpoints follow one another in time, as they are made.
    if (info.gen_time_utc_ms < previous_stamp) {
      out->findings.push_back(name + " is stamped " + FormatUtcMs(info.gen_time_utc_ms) +
                              ", before the checkpoint made ahead of it");
    }
    previous_stamp = info.gen_time_utc_ms;
    out->last_stamp_ms = std::max(out->last_stamp_ms, info.gen_time_utc_ms);
    ++out->checked;
  }
  if (!rows.empty() && ca_file.empty()) {
    out->notes.push_back("the time-stamps of the head checkpoints were not checked: no "
                         "authority's roots were given (time_stamp_ca in store.conf, or "
                         "--tsa-ca)");
  }
  return StoreStatus::Ok();
}

}  // namespace tav
