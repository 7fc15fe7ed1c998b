// ComplianceDb: the suite's compliance database, "compliance.db" in the data
// directory. It holds the configuration settings and their audit trail, the
// system event log, and the run list with its history, each record stored as
// its chunk (docs/event-log.md and docs/configuration.md give the schema).
//
// Every write runs in one transaction that takes the write lock first, so
// two processes that change the database at once are put one after the
// other and neither change is lost. Commits are durable when they return
// (write-ahead log with synchronous=FULL: the log is synced on every commit).
// A locked database is waited for only within a bounded time, then the
// operation fails with kBusy.
//
// A file that is not this suite's database (another application's, a newer
// schema, a damaged file) is refused with kForeign or kCorrupt and never
// written.
//
// Thread safety: all members may be called from any thread; one mutex
// serialises the use of the connection. Objects are shared per database path
// within a process (Get); a child process made by fork() gets its own
// connection, since SQLite connections must not cross a fork.
#ifndef TAV_SERVICES_FILELIB_COMPLIANCE_DB_H_
#define TAV_SERVICES_FILELIB_COMPLIANCE_DB_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "services/filelib/record_chain.h"
#include "services/filelib/store_config.h"
#include "util/sql_db.h"
#include "services/filelib/store_status.h"

namespace tav {

class SqliteDb;

inline constexpr char kComplianceDbFileName[] = "compliance.db";
// PRAGMA application_id of the database ("TAVC"); with user_version it tells
// this suite's database from any other SQLite file.
inline constexpr int kComplianceDbApplicationId = 0x54415643;
// 2: the settings are sealed (settings_seal.h); a store of 1 is raised to 2
// by the first open that may write. 3: the logs keep each record's UTC time
// and seal; the first open that may write adds the columns to a store of 2.
inline constexpr int kComplianceDbSchemaVersion = 3;

class ComplianceDb {
 public:
  enum class IfMissing { kFail, kCreate };

  // The database of the data directory (util/data_dir.h), shared within the
  // process. Fails with kUnavailable when there is no usable data directory.
  // A missing database is created (whole or not at all) only in a folder
  // named by $TAV_DATA_DIR; in the machine-wide store `tavsec setup` makes
  // it, and its absence is kUnavailable.
  static StoreStatus Get(std::shared_ptr<ComplianceDb>* out);
  // The database at `path`, shared within the process; with
  // IfMissing::kCreate a missing one is made first, as Create() does.
  static StoreStatus GetAt(const std::string& path, std::shared_ptr<ComplianceDb>* out,
                           IfMissing if_missing = IfMissing::kCreate);
  // Makes an empty database of this suite at `path` whole or not at all:
  // built under a temporary name, synced, then renamed (mode 0600, or 0660
  // in a group's shared store). Ok when it exists already.
  static StoreStatus Create(const std::string& path);
  // The lab store that `config` (engine postgresql) names, shared within
  // the process. kUnavailable when it cannot be reached, kForeign when it
  // holds no store of this version.
  static StoreStatus GetLab(const StoreConfig& config, std::shared_ptr<ComplianceDb>* out);

  // How long writes wait for a lock held by another process. Applies to
  // databases opened afterwards; tests shorten it.
  // Drops the cached connections of this process; each closes when its
  // last user lets go. For the library's unload: otherwise every dlclose
  // leaves a database connection (a descriptor and its page cache) behind.
  static void ReleaseCache();

  static void SetBusyTimeout(std::chrono::milliseconds timeout);
  static std::chrono::milliseconds BusyTimeout();

  ComplianceDb(const ComplianceDb&) = delete;
  ComplianceDb& operator=(const ComplianceDb&) = delete;

  const std::string& path() const { return path_; }
  SqlDb::Engine engine() const { return db_->engine(); }

  using Work = std::function<StoreStatus(SqlDb&)>;
  // Runs `work` in one write transaction and commits when it returns ok;
  // otherwise rolls back and returns its status. When the database is
  // locked the whole transaction is tried again until the busy timeout has
  // passed, so `work` must compute what it writes from what it reads inside
  // the transaction.
  StoreStatus Write(const Work& work);
  // Runs `work` in one read transaction (a consistent snapshot).
  StoreStatus Read(const Work& work);

  // Appends one record to a hash-chained log and returns once it is on
  // disk (or failed). Threads that append at the same time share one
  // transaction and one sync (group commit); each call still returns only
  // after the commit that holds its own record.
  StoreStatus AppendToLog(ChainedLog log, std::string record);

 private:
  ComplianceDb(std::string path, std::unique_ptr<SqlDb> db)
      : path_(std::move(path)), db_(std::move(db)) {}
  static StoreStatus OpenAndCheck(const std::string& path, std::unique_ptr<SqliteDb>* out);
  StoreStatus Run(bool write, const Work& work);
  struct PendingAppend;
  // The lab store's appends: stored in one transaction, chained by a pass
  // now or waiting for the next one.
  StoreStatus AppendToLab(const std::vector<PendingAppend*>& batch);

  struct PendingAppend {
    ChainedLog log;
    std::string record;
    std::thread::id thread;
    bool done = false;
    StoreStatus status;
  };
  // Keeps the threads of `batch` for the next leader's wait.
  // REQUIRES: append_mutex_ held.
  void NoteAppenders(const std::vector<PendingAppend*>& batch);

  std::string path_;
  // The store's id, which its head lines carry (head_anchor.h); known after
  // the first write. Guarded by mutex_.
  std::string store_id_;
  std::mutex mutex_;
  std::unique_ptr<SqlDb> db_;
  // The lab store: when this process last asked for a chaining pass.
  std::chrono::steady_clock::time_point last_chain_pass_;

  // Group commit of appends: the first waiting thread commits the records
  // of all threads waiting with it, after waiting a moment for the threads
  // that appended in the last batches (AppendToLog says why).
  std::mutex append_mutex_;
  std::condition_variable append_done_;
  std::condition_variable append_arrived_;  // the leader's wait
  std::vector<PendingAppend*> appends_;
  bool append_leader_ = false;
  bool gathering_ = false;
  size_t gather_target_ = 0;
  std::vector<std::thread::id> previous_appenders_;  // sorted
  std::vector<std::thread::id> recent_appenders_;    // sorted: this batch's and the one before
  std::chrono::microseconds last_commit_{0};
};

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_COMPLIANCE_DB_H_
