#include "services/filelib/compliance_db.h"

#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <exception>
#include <iterator>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#include <utility>

#include "services/filelib/head_anchor.h"
#include "services/filelib/lab_store_schema.h"
#include "services/filelib/settings_seal.h"
#include "util/atomic_create.h"
#include "util/auth_syslog.h"
#include "util/data_dir.h"
#include "util/sqlite_db.h"
#include "util/library_lifetime.h"
#include "util/pg_db.h"

namespace tav {

namespace {

// The schema (docs/event-log.md, docs/configuration.md). Each log table is a
// hash chain: `chain` is the hash of the record and of the row before it;
// `utc` the time of the append, `epoch` and `tag` its seal (event_seal.h).
constexpr char kCreateSchema[] = R"sql(
CREATE TABLE IF NOT EXISTS system_events(
  seq INTEGER PRIMARY KEY,
  record BLOB NOT NULL,
  chain BLOB NOT NULL,
  utc INTEGER,
  epoch INTEGER,
  tag BLOB);
CREATE TABLE IF NOT EXISTS config_audit(
  seq INTEGER PRIMARY KEY,
  record BLOB NOT NULL,
  chain BLOB NOT NULL,
  utc INTEGER,
  epoch INTEGER,
  tag BLOB);
CREATE TABLE IF NOT EXISTS run_history(
  seq INTEGER PRIMARY KEY,
  record BLOB NOT NULL,
  chain BLOB NOT NULL,
  utc INTEGER,
  epoch INTEGER,
  tag BLOB);
CREATE TABLE IF NOT EXISTS chain_heads(
  log TEXT PRIMARY KEY,
  seq INTEGER NOT NULL,
  chain BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS settings(
  name TEXT PRIMARY KEY,
  record BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS run_list(
  id INTEGER PRIMARY KEY,
  path TEXT NOT NULL UNIQUE,
  record BLOB NOT NULL);
CREATE TABLE IF NOT EXISTS interval_seals(
  key_id INTEGER NOT NULL,
  epoch INTEGER NOT NULL,
  heads BLOB NOT NULL,
  tag BLOB NOT NULL,
  PRIMARY KEY (key_id, epoch));
CREATE TABLE IF NOT EXISTS settings_seal(
  id INTEGER PRIMARY KEY CHECK (id = 1),
  trail_seq INTEGER NOT NULL,
  seal BLOB NOT NULL);
)sql";

const char* const kTables[] = {"system_events", "config_audit", "run_history",
                               "chain_heads",   "settings",     "run_list"};

std::atomic<long long> g_busy_timeout_ms{10000};

struct CacheEntry {
  pid_t pid;
  std::shared_ptr<ComplianceDb> db;
};

std::mutex& CacheMutex() {
  static std::mutex mutex;
  return mutex;
}

std::map<std::string, CacheEntry>& Cache() {
  // Not destroyed at exit: objects handed out may still be in use while
  // static destructors run.
  static UntilUnload<std::map<std::string, CacheEntry>> cache;
  return cache.Get();
}

// The connection cached under `key` for this process, if any. REQUIRES:
// CacheMutex() held.
bool FindCached(const std::string& key, std::shared_ptr<ComplianceDb>* out) {
  auto& cache = Cache();
  auto it = cache.find(key);
  if (it == cache.end()) return false;
  if (it->second.pid == getpid()) {
    *out = it->second.db;
    return true;
  }
  // Inherited across fork(): the parent's connection must not be used or
  // closed here, so it is left behind on purpose.
  new std::shared_ptr<ComplianceDb>(std::move(it->second.db));
  cache.erase(it);
  return false;
}

StoreStatus QueryInt(SqlDb& db, const char* sql, long long* out) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(sql, &status);
  if (!status.ok()) return status;
  if (stmt.Step(&status)) {
    *out = stmt.ColumnInt64(0);
    return StoreStatus::Ok();
  }
  return status.ok() ? StoreStatus(StoreStatus::kIOError, db.path() + ": no answer to a query")
                     : status;
}

StoreStatus QueryText(SqlDb& db, const char* sql, std::string* out) {
  StoreStatus status;
  SqlStatement stmt = db.Prepare(sql, &status);
  if (!status.ok()) return status;
  if (stmt.Step(&status)) {
    *out = std::string(stmt.ColumnText(0));
    return StoreStatus::Ok();
  }
  return status;
}

// A store of schema 1 carries no seal of its settings: they are taken as
// they stand and sealed, once, by the first open that may write.
StoreStatus SealLegacySettings(SqlDb& db) {
  StoreStatus status = db.BeginWrite();
  if (!status.ok()) return status;
  long long version = 0;
  status = QueryInt(db, "PRAGMA user_version", &version);
  // Another process may have done it while we waited for the lock.
  if (status.ok() && version < kSealedSettingsSchemaVersion) status = MigrateToSealedSettings(db);
  if (status.ok()) status = db.Commit();
  if (!status.ok()) db.Rollback();
  return status;
}

// A store of schema 2 lacks the time and seal columns of the logs; they are
// added empty, so its records read as stored before sealing began.
StoreStatus AddSealColumns(SqlDb& db) {
  StoreStatus status = db.BeginWrite();
  if (!status.ok()) return status;
  long long version = 0;
  status = QueryInt(db, "PRAGMA user_version", &version);
  if (status.ok() && version < kComplianceDbSchemaVersion) {
    for (const char* table : {"system_events", "config_audit", "run_history"}) {
      for (const char* column : {"utc INTEGER", "epoch INTEGER", "tag BLOB"}) {
        const std::string name(column, std::strchr(column, ' '));
        long long present = 0;
        if (status.ok()) {
          SqlStatement probe = db.Prepare(
              "SELECT count(*) FROM pragma_table_info(?1) WHERE name = ?2", &status);
          if (status.ok()) {
            probe.BindText(1, table);
            probe.BindText(2, name);
            if (probe.Step(&status)) present = probe.ColumnInt64(0);
          }
        }
        if (status.ok() && present == 0) {
          status = db.Exec((std::string("ALTER TABLE ") + table + " ADD COLUMN " + column).c_str());
        }
      }
    }
    if (status.ok()) {
      status = db.Exec(
          ("PRAGMA user_version=" + std::to_string(kComplianceDbSchemaVersion)).c_str());
    }
  }
  if (status.ok()) status = db.Commit();
  if (!status.ok()) db.Rollback();
  return status;
}

StoreStatus Foreign(const std::string& path, const std::string& why) {
  return StoreStatus(StoreStatus::kForeign,
                     path + ": " + why + "; the file was left as it is");
}

}  // namespace

void ComplianceDb::SetBusyTimeout(std::chrono::milliseconds timeout) {
  g_busy_timeout_ms = timeout.count();
}

std::chrono::milliseconds ComplianceDb::BusyTimeout() {
  return std::chrono::milliseconds(g_busy_timeout_ms.load());
}

StoreStatus ComplianceDb::OpenAndCheck(const std::string& path, std::unique_ptr<SqliteDb>* out) {
  SqliteDb::Options options;
  options.busy_timeout = BusyTimeout();
  std::unique_ptr<SqliteDb> db;
  StoreStatus status = SqliteDb::Open(path, options, &db);
  if (!status.ok()) {
    // SQLite reports the error of its last attempt (often "no such file"
    // after a failed create), so say plainly when the folder is the cause.
    const size_t slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
    if (access(folder.c_str(), W_OK | X_OK) != 0) {
      return StoreStatus(StoreStatus::kReadOnly,
                         path + ": cannot create the database: the folder " + folder +
                             " cannot be written (" + std::strerror(errno) + ")");
    }
    return status;
  }

  // Read the header first: nothing may be written to a file that turns out
  // not to be ours.
  long long app_id = 0, version = 0, objects = 0;
  status = QueryInt(*db, "PRAGMA application_id", &app_id);
  if (status.ok()) status = QueryInt(*db, "PRAGMA user_version", &version);
  if (status.ok()) status = QueryInt(*db, "SELECT count(*) FROM sqlite_schema", &objects);
  if (!status.ok()) {
    if (status.code() == StoreStatus::kCorrupt) {
      return StoreStatus(StoreStatus::kCorrupt,
                         path + ": the file is damaged or not a database; it was left as it is (" +
                             status.message() + ")");
    }
    return status;
  }
  const bool fresh = app_id == 0 && version == 0 && objects == 0;
  if (!fresh && app_id != kComplianceDbApplicationId) {
    return Foreign(path, "not a compliance database of this suite");
  }
  if (version > kComplianceDbSchemaVersion) {
    return Foreign(path, "made by a newer version (schema " + std::to_string(version) + ")");
  }

  // Durability: with a write-ahead log and synchronous=FULL each commit syncs
  // the log before it returns.
  status = db->Exec("PRAGMA synchronous=FULL");
  if (!status.ok()) return status;
  if (!db->IsReadOnly()) {
    std::string mode;
    status = QueryText(*db, "PRAGMA journal_mode", &mode);
    if (status.ok() && mode != "wal") status = QueryText(*db, "PRAGMA journal_mode=WAL", &mode);
    if (!status.ok()) return status;
  }

  if (fresh) {
    status = db->BeginWrite();
    if (!status.ok()) return status;
    // Another process may have made the schema while we waited for the lock.
    status = QueryInt(*db, "PRAGMA application_id", &app_id);
    if (status.ok()) status = QueryInt(*db, "SELECT count(*) FROM sqlite_schema", &objects);
    if (status.ok() && app_id == 0 && objects == 0) {
      status = db->Exec(kCreateSchema);
      if (status.ok()) status = SealSettings(*db);
      if (status.ok()) {
        status = db->Exec(("PRAGMA application_id=" + std::to_string(kComplianceDbApplicationId) +
                           "; PRAGMA user_version=" + std::to_string(kComplianceDbSchemaVersion))
                              .c_str());
      }
    } else if (status.ok() && app_id != kComplianceDbApplicationId) {
      status = Foreign(path, "not a compliance database of this suite");
    }
    if (status.ok()) status = db->Commit();
    if (!status.ok()) {
      db->Rollback();
      return status;
    }
  }

  if (!fresh && version < kSealedSettingsSchemaVersion && !db->IsReadOnly()) {
    status = SealLegacySettings(*db);
    if (!status.ok()) return status;
  }
  if (!fresh && version < kComplianceDbSchemaVersion && !db->IsReadOnly()) {
    status = AddSealColumns(*db);
    if (!status.ok()) return status;
  }

  std::set<std::string> present;
  {
    StoreStatus s;
    SqlStatement stmt = db->Prepare("SELECT name FROM sqlite_schema WHERE type='table'", &s);
    if (!s.ok()) return s;
    while (stmt.Step(&s)) present.emplace(stmt.ColumnText(0));
    if (!s.ok()) return s;
  }
  for (const char* table : kTables) {
    if (present.count(table) == 0) {
      return StoreStatus(StoreStatus::kCorrupt,
                         path + ": the table '" + table + "' is missing; the file was left as it is");
    }
  }
  *out = std::move(db);
  return StoreStatus::Ok();
}

namespace {

// A store that cannot be used stops logons and signatures: the site's
// monitoring hears of it, once per cause and process rather than per call.
StoreStatus ReportUnusableStore(StoreStatus status) {
  if (status.ok() || status.code() == StoreStatus::kBusy) return status;
  static std::mutex mutex;
  static std::string last;
  std::lock_guard<std::mutex> lock(mutex);
  if (status.message() != last) {
    last = status.message();
    AuthSyslog(LOG_ERR, "the compliance store cannot be used: " + last);
  }
  return status;
}

}  // namespace

StoreStatus ComplianceDb::Get(std::shared_ptr<ComplianceDb>* out) {
  DataDirChoice dir;
  StoreStatus status = LocateDataDir(&dir);
  if (status.ok()) status = MayOpenStoreFiles(dir);
  if (!status.ok()) return ReportUnusableStore(status);
  // A workstation of a lab keeps its data in the lab store; one whose
  // store.conf cannot be read has no store at all (never the embedded one).
  StoreConfig config;
  status = LoadStoreConfig(dir.path, &config);
  if (!status.ok()) return ReportUnusableStore(status);
  if (config.engine == StoreConfig::Engine::kPostgres) {
    return ReportUnusableStore(GetLab(config, out));
  }
  // The machine-wide store gets its database from `tavsec setup`; one that
  // is gone was removed, and a new empty one would hold the defaults.
  if (dir.machine_wide) {
    return ReportUnusableStore(GetAt(dir.path + "/" + kComplianceDbFileName, out, IfMissing::kFail));
  }
  const std::string path = dir.path + "/" + kComplianceDbFileName;
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
    status = EnsureDataDir(&dir);
    if (!status.ok()) return ReportUnusableStore(status);
  }
  return ReportUnusableStore(GetAt(path, out, IfMissing::kCreate));
}

StoreStatus ComplianceDb::Create(const std::string& path) {
  const std::string folder = FolderOf(path);
  StoreStatus status = CreateFileAtomically(
      path, StoreFileMode(folder, true), [](const std::string& temp) {
        std::unique_ptr<SqliteDb> db;
        return OpenAndCheck(temp, &db);
      });
  if (status.code() == StoreStatus::kExists) return StoreStatus::Ok();
  if (status.code() == StoreStatus::kReadOnly && access(folder.c_str(), W_OK | X_OK) != 0) {
    return StoreStatus(StoreStatus::kReadOnly,
                       path + ": cannot create the database: the folder " + folder +
                           " cannot be written (" + std::strerror(errno) + ")");
  }
  return status;
}

StoreStatus ComplianceDb::GetAt(const std::string& path, std::shared_ptr<ComplianceDb>* out,
                                IfMissing if_missing) {
  std::lock_guard<std::mutex> lock(CacheMutex());
  if (FindCached(path, out)) return StoreStatus::Ok();
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
    if (if_missing == IfMissing::kFail) {
      return StoreStatus(StoreStatus::kUnavailable,
                         path + " is missing: the security store is incomplete (an administrator "
                                "runs \"tavsec setup\" as root)");
    }
    StoreStatus status = ComplianceDb::Create(path);
    if (!status.ok()) return status;
  }
  std::unique_ptr<SqliteDb> db;
  StoreStatus status = OpenAndCheck(path, &db);
  if (!status.ok()) return status;
  std::shared_ptr<ComplianceDb> shared(new ComplianceDb(path, std::move(db)));
  Cache()[path] = CacheEntry{getpid(), shared};
  *out = std::move(shared);
  return StoreStatus::Ok();
}

StoreStatus ComplianceDb::GetLab(const StoreConfig& config, std::shared_ptr<ComplianceDb>* out) {
  const std::string key = "postgresql:" + config.connection + "\n" + config.schema;
  std::lock_guard<std::mutex> lock(CacheMutex());
  if (FindCached(key, out)) return StoreStatus::Ok();
  // A store that could not be reached just now is not tried again at once:
  // a logon asks for the store several times, and each attempt may wait
  // for the connect timeout.
  struct Failure {
    std::chrono::steady_clock::time_point at;
    StoreStatus status;
  };
  static UntilUnload<std::map<std::string, Failure>> failures;
  constexpr std::chrono::seconds kRetryPause{5};
  const auto now = std::chrono::steady_clock::now();
  auto failed = failures.Get().find(key);
  if (failed != failures.Get().end() && now - failed->second.at < kRetryPause) {
    return failed->second.status;
  }
  // The process's own limit (which tests shorten) caps the store's.
  StoreConfig bounded = config;
  bounded.busy_timeout = std::min(config.busy_timeout, BusyTimeout());
  std::unique_ptr<PgDb> db;
  StoreStatus status = ConnectLabStore(bounded, &db);
  if (status.ok()) status = CheckLabStore(*db);
  if (status.code() == StoreStatus::kForeign && config.create_schema) {
    status = InitLabStore(*db, LabStoreRoles());
  }
  if (!status.ok()) {
    if (status.code() == StoreStatus::kUnavailable) failures.Get()[key] = Failure{now, status};
    return status;
  }
  failures.Get().erase(key);
  const std::string name = db->path();
  std::shared_ptr<ComplianceDb> shared(new ComplianceDb(name, std::move(db)));
  Cache()[key] = CacheEntry{getpid(), shared};
  *out = std::move(shared);
  return StoreStatus::Ok();
}

void ComplianceDb::ReleaseCache() {
  std::map<std::string, CacheEntry> released;
  {
    std::lock_guard<std::mutex> lock(CacheMutex());
    auto& cache = Cache();
    const pid_t pid = getpid();
    for (auto it = cache.begin(); it != cache.end();) {
      // A connection inherited across fork() belongs to the parent.
      if (it->second.pid == pid) {
        released.insert(cache.extract(it++));
      } else {
        ++it;
      }
    }
  }
  // Closed outside the lock: closing waits for the database.
}

StoreStatus ComplianceDb::Write(const Work& work) { return Run(true, work); }

StoreStatus ComplianceDb::AppendToLog(ChainedLog log, std::string record) {
  // Enough to share a sync among many threads, small enough to keep a
  // transaction short for other processes.
  constexpr size_t kMaxBatch = 512;
  // The longest a leader waits for the appenders of the last batches.
  constexpr std::chrono::microseconds kMaxGather{2000};
  // On the lab store a transaction the batch would not share costs the
  // server, where eight services' commits meet, more than the wait: the
  // clients of a busy service come back after its reply as late as the
  // machine lets them, often later than the last commit took. (Eight
  // services of four clients each reached 84 to 106% of plain inserts with
  // this wait, 88% when it was capped by the last commit, 67% without.)
  constexpr std::chrono::microseconds kMaxLabGather{4000};
  PendingAppend mine{log, std::move(record), std::this_thread::get_id(), false, StoreStatus()};
  std::unique_lock<std::mutex> lock(append_mutex_);
  appends_.push_back(&mine);
  if (gathering_ && appends_.size() >= gather_target_) append_arrived_.notify_one();
  while (!mine.done) {
    if (append_leader_) {
      append_done_.wait(lock);
      continue;
    }
    append_leader_ = true;
    // Threads that append in a loop (the service's connections) come back
    // a moment after their commit; without waiting they split into two
    // groups that take turns, each committing half as many per sync. So
    // the leader waits for the threads of the last two batches, but never
    // longer than the last commit took (waiting longer would cost more
    // than a second sync; the lab store's bound is kMaxLabGather) and
    // never for a thread that appends alone.
    gather_target_ = std::min(recent_appenders_.size(), kMaxBatch);
    if (appends_.size() < gather_target_) {
      gathering_ = true;
      const bool lab = db_->engine() == SqlDb::Engine::kPostgres;
      append_arrived_.wait_for(lock, lab ? kMaxLabGather : std::min(last_commit_, kMaxGather),
                               [&] { return appends_.size() >= gather_target_; });
      gathering_ = false;
    }
    std::vector<PendingAppend*> batch;
    const size_t n = std::min(appends_.size(), kMaxBatch);
    batch.assign(appends_.begin(), appends_.begin() + static_cast<std::ptrdiff_t>(n));
    appends_.erase(appends_.begin(), appends_.begin() + static_cast<std::ptrdiff_t>(n));
    NoteAppenders(batch);
    lock.unlock();
    const auto started = std::chrono::steady_clock::now();
    const StoreStatus status =
        db_->engine() == SqlDb::Engine::kPostgres ? AppendToLab(batch) : Write([&batch](SqlDb& c) {
          for (PendingAppend* p : batch) {
            StoreStatus s = AppendChained(c, p->log, p->record);
            if (!s.ok()) return s;
          }
          return StoreStatus::Ok();
        });
    const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
        std::chrono::steady_clock::now() - started);
    lock.lock();
    last_commit_ = took;
    for (PendingAppend* p : batch) {
      p->status = status;
      p->done = true;
    }
    append_leader_ = false;
    append_done_.notify_all();
  }
  return mine.status;
}

void ComplianceDb::NoteAppenders(const std::vector<PendingAppend*>& batch) {
  // The distinct threads of this batch and the one before it.
  std::vector<std::thread::id> now;
  now.reserve(batch.size());
  for (const PendingAppend* p : batch) now.push_back(p->thread);
  std::sort(now.begin(), now.end());
  now.erase(std::unique(now.begin(), now.end()), now.end());
  recent_appenders_.clear();
  std::set_union(now.begin(), now.end(), previous_appenders_.begin(), previous_appenders_.end(),
                 std::back_inserter(recent_appenders_));
  previous_appenders_ = std::move(now);
}

StoreStatus ComplianceDb::AppendToLab(const std::vector<PendingAppend*>& batch) {
  // A process that appends many records in a row asks for a chaining pass
  // (tav_log) with one of them now and then, and stores the others as
  // waiting with a plain insert, which costs the server far less; each pass
  // chains what every workstation left waiting (lab_store_schema.h). One
  // that appends now and then has each record chained at once. (With eight
  // busy workstations, a pass every 100 ms from each keeps the rate within
  // a few percent of inserts alone; every 20 ms cost a fifth of it.)
  constexpr std::chrono::milliseconds kChainPassInterval{100};
  std::lock_guard<std::mutex> lock(mutex_);
  auto& db = static_cast<PgDb&>(*db_);
  const auto now = std::chrono::steady_clock::now();
  const bool pass = now - last_chain_pass_ >= kChainPassInterval;
  // Without the writer lock. The waiting records go in with inserts of
  // many rows and the pass comes last, so that it chains them too; one
  // statement commits by itself, several share a transaction.
  DropNotedChainHeads();
  const size_t waiting = pass ? batch.size() - 1 : batch.size();
  const size_t inserts = (waiting + kMaxWaitingPerInsert - 1) / kMaxWaitingPerInsert;
  const bool several = inserts + (pass ? 1 : 0) > 1;
  StoreStatus status = several ? db.BeginUnordered() : StoreStatus::Ok();
  for (size_t at = 0; at < waiting && status.ok();) {
    const size_t rows = std::min(kMaxWaitingPerInsert, waiting - at);
    SqlStatement insert = db.Prepare(WaitingInsertSql(rows), &status);
    for (size_t r = 0; r < rows; ++r) {
      const PendingAppend& append = *batch[at + r];
      insert.BindInt64(static_cast<int>(2 * r + 1), LabLogCode(append.log));
      insert.BindBlob(static_cast<int>(2 * r + 2), append.record);
    }
    if (status.ok()) status = insert.Run();
    at += rows;
  }
  if (pass && status.ok()) {
    const PendingAppend& append = *batch.back();
    SqlStatement log = db.Prepare("SELECT seq, chain FROM tav_log(?1, ?2)", &status);
    log.BindText(1, ChainedLogTable(append.log));
    log.BindBlob(2, append.record);
    if (log.Step(&status) && !log.ColumnIsNull(0)) {
      ChainHash hash{};
      ReadChainHash(log.ColumnBlob(1), &hash);
      NoteChainHead(append.log, static_cast<uint64_t>(log.ColumnInt64(0)), hash);
    }
    // The rest of the answer: a failed commit comes after the row.
    if (status.ok()) status = log.Run();
  }
  if (several) {
    if (status.ok()) {
      status = db.Commit();
    } else {
      db.Rollback();
    }
  }
  if (status.ok() && pass) last_chain_pass_ = now;
  // The heads go out only once they are stored.
  if (status.ok()) SendNotedChainHeads(store_id_);
  DropNotedChainHeads();
  return status;
}

StoreStatus ComplianceDb::Read(const Work& work) { return Run(false, work); }

StoreStatus ComplianceDb::Run(bool write, const Work& work) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (!write && db_->engine() == SqlDb::Engine::kPostgres) {
    // Appends that still wait to be chained become part of the logs first,
    // so that a reader sees every append made before it. Should that fail,
    // the reader sees the logs as far as they are chained.
    StoreStatus flushed;
    SqlStatement flush = db_->Prepare("SELECT tav_flush()", &flushed);
    if (flushed.ok()) flushed = flush.Run();
  }
  const auto deadline = std::chrono::steady_clock::now() + db_->busy_timeout();
  for (;;) {
    DropNotedChainHeads();
    StoreStatus status = write ? db_->BeginWrite() : db_->BeginRead();
    if (status.ok()) {
      // The first write gives the store its id if it has none yet; the id
      // counts once it is committed.
      std::string id = store_id_;
      if (write && id.empty() && !StoreIdForWriting(*db_, &id).ok()) id.clear();
      try {
        status = work(*db_);
      } catch (const std::exception& e) {
        status = StoreStatus(StoreStatus::kIOError, path_ + ": " + e.what());
      }
      if (status.ok()) {
        status = db_->Commit();
      } else {
        db_->Rollback();
      }
      if (status.ok()) store_id_ = id;
      // The heads go out only once they are on disk.
      if (status.ok()) SendNotedChainHeads(store_id_);
      DropNotedChainHeads();
    }
    if (status.code() != StoreStatus::kBusy || std::chrono::steady_clock::now() >= deadline) {
      return status;
    }
    // SQLite returns some busy answers without waiting itself.
    std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
}

}  // namespace tav
