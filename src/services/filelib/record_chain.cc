#include "services/filelib/record_chain.h"

#include <sodium.h>

#include <cstring>

#include "services/filelib/event_seal.h"
#include "services/filelib/head_anchor.h"

namespace tav {

namespace {

// Each log's statements, one text per log.
struct LogSql {
  const char* table;
  const char* title;
  const char* insert;
  const char* last_row;
  const char* select_all;
  const char* count;
  const char* max_seq;
  const char* select_all_alg;  // the lab store: with each row's chain algorithm
  const char* select_from;
};

#define TAV_LOG_SQL(table, title)                                                  \
  LogSql {                                                                         \
    table, title, "INSERT INTO " table "(seq, record, chain, utc, epoch, tag) "           \
        "VALUES(?1, ?2, ?3, ?4, ?5, ?6)",                                          \
        "SELECT seq, chain FROM " table " ORDER BY seq DESC LIMIT 1",              \
        "SELECT seq, record, chain FROM " table " ORDER BY seq",                   \
        "SELECT count(*) FROM " table, "SELECT max(seq) FROM " table,              \
        "SELECT seq, record, chain, alg FROM " table " ORDER BY seq",              \
        "SELECT seq, record FROM " table " WHERE seq >= ?1 ORDER BY seq"           \
  }

const LogSql kLogs[] = {
    TAV_LOG_SQL("system_events", "system event log"),
    TAV_LOG_SQL("config_audit", "configuration audit trail"),
    TAV_LOG_SQL("run_history", "run file history"),
};

#undef TAV_LOG_SQL

const LogSql& Sql(ChainedLog log) { return kLogs[static_cast<int>(log)]; }

constexpr char kSelectHead[] = "SELECT seq, chain FROM chain_heads WHERE log = ?1";
constexpr char kUpsertHead[] =
    "INSERT INTO chain_heads(log, seq, chain) VALUES(?1, ?2, ?3) "
    "ON CONFLICT(log) DO UPDATE SET seq = excluded.seq, chain = excluded.chain";

struct SodiumInit {
  SodiumInit() {
    // sodium_init only fails when the system has no usable randomness, which
    // the hash does not need.
    if (sodium_init() < 0) return;
  }
};

}  // namespace

const char* ChainedLogTable(ChainedLog log) { return Sql(log).table; }

bool ReadChainHash(std::string_view bytes, ChainHash* out) {
  if (bytes.size() != out->size()) return false;
  std::memcpy(out->data(), bytes.data(), out->size());
  return true;
}
const char* ChainedLogTitle(ChainedLog log) { return Sql(log).title; }

ChainHash ComputeChainHash(ChainedLog log, uint64_t seq, const ChainHash& previous,
                           std::string_view record) {
  static SodiumInit init;
  const char* key = Sql(log).table;
  crypto_generichash_state state;
  crypto_generichash_init(&state, reinterpret_cast<const unsigned char*>(key), std::strlen(key),
                          crypto_generichash_BYTES);
  unsigned char seq_bytes[8];
  for (int i = 0; i < 8; ++i) seq_bytes[i] = static_cast<unsigned char>(seq >> (8 * i));
  crypto_generichash_update(&state, seq_bytes, sizeof seq_bytes);
  crypto_generichash_update(&state, previous.data(), previous.size());
  crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(record.data()),
                            record.size());
  ChainHash out;
  static_assert(crypto_generichash_BYTES == 32);
  crypto_generichash_final(&state, out.data(), out.size());
  return out;
}

ChainHash ComputeLabChainHash(ChainedLog log, uint64_t seq, const ChainHash& previous,
                              std::string_view record) {
  static SodiumInit init;
  const char* key = Sql(log).table;
  crypto_auth_hmacsha256_state state;
  crypto_auth_hmacsha256_init(&state, reinterpret_cast<const unsigned char*>(key),
                              std::strlen(key));
  unsigned char seq_bytes[8];
  for (int i = 0; i < 8; ++i) seq_bytes[i] = static_cast<unsigned char>(seq >> (8 * (7 - i)));
  crypto_auth_hmacsha256_update(&state, seq_bytes, sizeof seq_bytes);
  crypto_auth_hmacsha256_update(&state, previous.data(), previous.size());
  crypto_auth_hmacsha256_update(&state, reinterpret_cast<const unsigned char*>(record.data()),
                                record.size());
  ChainHash out;
  static_assert(crypto_auth_hmacsha256_BYTES == 32);
  crypto_auth_hmacsha256_final(&state, out.data());
  return out;
}

namespace {

// The lab store chains inside the database: the record goes in unchained
// and comes back with its number and link.
StoreStatus AppendToLabLog(SqlDb& db, ChainedLog log, std::string_view record, uint64_t* seq) {
  StoreStatus status;
  SqlStatement append = db.Prepare("SELECT seq, chain FROM tav_append(?1, ?2)", &status);
  if (!status.ok()) return status;
  append.BindText(1, Sql(log).table);
  append.BindBlob(2, record);
  return StepLabChainCall(db, append, log, "chain a record", seq);
}

}  // namespace

StoreStatus StepLabChainCall(SqlDb& db, SqlStatement& call, ChainedLog log, const char* what,
                             uint64_t* seq) {
  StoreStatus status;
  if (!call.Step(&status)) {
    return status.ok() ? StoreStatus(StoreStatus::kIOError,
                                     db.path() + ": the lab store did not " + what)
                       : status;
  }
  const auto next = static_cast<uint64_t>(call.ColumnInt64(0));
  ChainHash hash{};
  ReadChainHash(call.ColumnBlob(1), &hash);
  NoteChainHead(log, next, hash);
  if (seq != nullptr) *seq = next;
  return StoreStatus::Ok();
}

StoreStatus AppendChained(SqlDb& db, ChainedLog log, std::string_view record, uint64_t* seq) {
  if (db.engine() == SqlDb::Engine::kPostgres) return AppendToLabLog(db, log, record, seq);
  const LogSql& sql = Sql(log);
  StoreStatus status;
  uint64_t last = 0;
  ChainHash previous{};
  bool have_head = false;
  {
    SqlStatement head = db.Prepare(kSelectHead, &status);
    if (!status.ok()) return status;
    head.BindText(1, sql.table);
    if (head.Step(&status)) {
      last = static_cast<uint64_t>(head.ColumnInt64(0));
      if (!ReadChainHash(head.ColumnBlob(1), &previous)) {
        return StoreStatus(StoreStatus::kCorrupt,
                           db.path() + ": the recorded end of the " + sql.title + " is damaged");
      }
      have_head = true;
    } else if (!status.ok()) {
      return status;
    }
  }
  if (!have_head) {
    // No head yet: continue from the last row, if any, so that a head lost
    // by damage does not restart the chain.
    SqlStatement tail = db.Prepare(sql.last_row, &status);
    if (!status.ok()) return status;
    if (tail.Step(&status)) {
      last = static_cast<uint64_t>(tail.ColumnInt64(0));
      ReadChainHash(tail.ColumnBlob(1), &previous);
    } else if (!status.ok()) {
      return status;
    }
  }

  const uint64_t next = last + 1;
  const ChainHash hash = ComputeChainHash(log, next, previous, record);
  RecordSeal seal;
  status = SealRecord(db, log, next, hash, &seal);
  if (!status.ok()) return status;
  {
    SqlStatement insert = db.Prepare(sql.insert, &status);
    if (!status.ok()) return status;
    insert.BindInt64(1, static_cast<int64_t>(next));
    insert.BindBlob(2, record);
    insert.BindBlob(3, ChainHashBytes(hash));
    insert.BindInt64(4, seal.utc_ms);
    if (seal.epoch) {
      insert.BindInt64(5, static_cast<int64_t>(*seal.epoch));
      insert.BindBlob(6, ChainHashBytes(seal.tag));
    }
    status = insert.Run();
    if (!status.ok()) return status;
  }
  {
    SqlStatement upsert = db.Prepare(kUpsertHead, &status);
    if (!status.ok()) return status;
    upsert.BindText(1, sql.table);
    upsert.BindInt64(2, static_cast<int64_t>(next));
    upsert.BindBlob(3, ChainHashBytes(hash));
    status = upsert.Run();
    if (!status.ok()) return status;
  }
  NoteChainHead(log, next, hash);
  if (seq != nullptr) *seq = next;
  return StoreStatus::Ok();
}

StoreStatus ForEachChained(SqlDb& db, ChainedLog log,
                           const std::function<bool(uint64_t, std::string_view)>& row) {
  StoreStatus status;
  SqlStatement all = db.Prepare(Sql(log).select_all, &status);
  if (!status.ok()) return status;
  while (all.Step(&status)) {
    if (!row(static_cast<uint64_t>(all.ColumnInt64(0)), all.ColumnBlob(1))) {
      return StoreStatus::Ok();
    }
  }
  return status;
}

StoreStatus ForEachChainedFrom(SqlDb& db, ChainedLog log, uint64_t from,
                               const std::function<bool(uint64_t, std::string_view)>& row) {
  StoreStatus status;
  SqlStatement rows = db.Prepare(Sql(log).select_from, &status);
  if (!status.ok()) return status;
  rows.BindInt64(1, static_cast<int64_t>(from));
  while (rows.Step(&status)) {
    if (!row(static_cast<uint64_t>(rows.ColumnInt64(0)), rows.ColumnBlob(1))) {
      return StoreStatus::Ok();
    }
  }
  return status;
}

StoreStatus CountChained(SqlDb& db, ChainedLog log, uint64_t* count) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(Sql(log).count, &status);
  if (!status.ok()) return status;
  if (stmt.Step(&status)) {
    *count = static_cast<uint64_t>(stmt.ColumnInt64(0));
    return StoreStatus::Ok();
  }
  return status;
}

StoreStatus LastChainedSeq(SqlDb& db, ChainedLog log, uint64_t* seq) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(Sql(log).max_seq, &status);
  if (!status.ok()) return status;
  *seq = 0;
  if (stmt.Step(&status)) {
    *seq = static_cast<uint64_t>(stmt.ColumnInt64(0));
    return StoreStatus::Ok();
  }
  return status;
}

StoreStatus VerifyChain(SqlDb& db, ChainedLog log, ChainReport* report,
                        const std::function<std::string(uint64_t, std::string_view)>& describe) {
  const LogSql& sql = Sql(log);
  *report = ChainReport();
  auto name = [&](uint64_t seq, std::string_view record) {
    return describe ? describe(seq, record) : "record " + std::to_string(seq);
  };

  StoreStatus status;
  const bool lab = db.engine() == SqlDb::Engine::kPostgres;
  SqlStatement all = db.Prepare(lab ? sql.select_all_alg : sql.select_all, &status);
  if (!status.ok()) return status;
  uint64_t expected = 1;
  ChainHash previous{};
  while (all.Step(&status)) {
    const auto seq = static_cast<uint64_t>(all.ColumnInt64(0));
    const std::string_view record = all.ColumnBlob(1);
    ChainHash stored{};
    const bool hash_ok = ReadChainHash(all.ColumnBlob(2), &stored);
    if (seq != expected) {
      report->problems.push_back(
          {ChainProblem::kMissing, expected, seq - 1,
           seq - 1 == expected
               ? "record " + std::to_string(expected) + " is missing"
               : "records " + std::to_string(expected) + " to " + std::to_string(seq - 1) +
                     " are missing"});
    } else if (!hash_ok ||
               (lab && all.ColumnInt64(3) == kLabChainAlg
                    ? ComputeLabChainHash(log, seq, previous, record)
                    : ComputeChainHash(log, seq, previous, record)) != stored) {
      report->problems.push_back(
          {ChainProblem::kChanged, seq, seq,
           name(seq, record) + " does not match its hash: it, or the hash of the record before "
                               "it, was changed after it was stored"});
    }
    // Go on from the stored hash, so that one changed record is named alone
    // and the records after it still verify.
    previous = stored;
    expected = seq + 1;
    ++report->count;
    report->last_seq = seq;
    report->head = stored;
  }
  if (!status.ok()) return status;

  SqlStatement head = db.Prepare(kSelectHead, &status);
  if (!status.ok()) return status;
  head.BindText(1, sql.table);
  if (head.Step(&status)) {
    const auto head_seq = static_cast<uint64_t>(head.ColumnInt64(0));
    ChainHash head_hash{};
    const bool hash_ok = ReadChainHash(head.ColumnBlob(1), &head_hash);
    if (head_seq > report->last_seq) {
      report->problems.push_back(
          {ChainProblem::kTruncated, report->last_seq + 1, head_seq,
           "the log ends at record " + std::to_string(report->last_seq) + " but held " +
               std::to_string(head_seq) + " records: the last ones were removed"});
    } else if (head_seq < report->last_seq || !hash_ok || head_hash != report->head) {
      report->problems.push_back({ChainProblem::kBadHead, report->last_seq, report->last_seq,
                                  "the recorded end of the log (record " +
                                      std::to_string(head_seq) +
                                      ") does not match its last record"});
    }
  } else if (!status.ok()) {
    return status;
  } else if (report->count != 0) {
    report->problems.push_back({ChainProblem::kBadHead, report->last_seq, report->last_seq,
                                "the recorded end of the log is missing"});
  }
  return StoreStatus::Ok();
}

}  // namespace tav
