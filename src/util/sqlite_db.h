// SqliteDb: one SQLite connection (the SqlDb of the embedded store) with
// the few things the stores need of it: cached prepared statements, write transactions that wait for a
// locked database only within a bounded time, and errors turned into
// StoreStatus values that name the database.
//
// Thread safety: a connection (and every statement it hands out) is used by
// one thread at a time; ComplianceDb puts a mutex in front of it.
// Ownership: the object owns the connection and its statements; a
// SqlStatement borrows one and must not outlive the connection.
#ifndef TAV_UTIL_SQLITE_DB_H_
#define TAV_UTIL_SQLITE_DB_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "util/sql_db.h"
#include "util/statement_cache.h"
#include "util/store_status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tav {

class SqliteCursor;

class SqliteDb : public SqlDb {
 public:
  struct Options {
    // How long a write may wait for another process's lock before it gives
    // up with kBusy. Bounded, so that a stuck process cannot hang callers.
    std::chrono::milliseconds busy_timeout{10000};
    // Open without the right to write (nothing is created).
    bool read_only = false;
    // A database that only its owner writes (the account and lockout
    // stores): links are not followed, and a journal or WAL file beside it
    // that its owner did not make is refused rather than played back, since
    // in a folder that others may write to it could be planted.
    bool private_files = false;
  };

  // Opens (and creates, unless read-only) the database file at `path`.
  static StoreStatus Open(const std::string& path, const Options& options,
                          std::unique_ptr<SqliteDb>* out);
  ~SqliteDb() override;

  Engine engine() const override { return Engine::kSqlite; }
  const std::string& path() const override { return path_; }
  sqlite3* handle() const { return db_; }
  bool IsReadOnly() const override;

  StoreStatus Exec(const char* sql) override;
  SqlStatement Prepare(const char* sql, StoreStatus* status) override;

  // BeginWrite is BEGIN IMMEDIATE: it takes the file's write lock at once.
  StoreStatus BeginWrite() override;
  StoreStatus BeginRead() override;
  StoreStatus Commit() override;
  void Rollback() override;
  bool InTransaction() const override;

  // A status for SQLite result `rc` of the operation `what`.
  StoreStatus Error(int rc, std::string_view what) const;

  std::chrono::milliseconds busy_timeout() const override { return options_.busy_timeout; }

 private:
  SqliteDb(std::string path, const Options& options);
  static int BusyHandler(void* self, int attempt);

  std::string path_;
  Options options_;
  sqlite3* db_ = nullptr;
  // By their text; emptied in the destructor, before the connection closes
  // (SqliteCursor is defined in the .cc).
  StatementCache<SqliteCursor> statements_;
  std::chrono::steady_clock::time_point busy_since_;
};

// Whether the SQLite database of `db` has a table named `table`.
StoreStatus SqliteTableExists(SqlDb& db, std::string_view table, bool* exists);

}  // namespace tav

#endif  // TAV_UTIL_SQLITE_DB_H_
