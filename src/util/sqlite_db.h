// SqliteDb: one SQLite connection with the few things the stores need
// of it: cached prepared statements, write transactions that wait for a
// locked database only within a bounded time, and errors turned into
// StoreStatus values that name the database.
//
// Thread safety: a connection (and every statement it hands out) is used by
// one thread at a time; ComplianceDb puts a mutex in front of it.
// Ownership: the object owns the connection and its statements; a
// SqliteStatement borrows one and must not outlive the connection.
#ifndef TAV_UTIL_SQLITE_DB_H_
#define TAV_UTIL_SQLITE_DB_H_

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>

#include "util/store_status.h"

struct sqlite3;
struct sqlite3_stmt;

namespace tav {

class SqliteDb;

// A prepared statement from the connection's cache. Destroying it resets the
// statement and clears its bindings, so the next user starts clean.
class SqliteStatement {
 public:
  SqliteStatement() = default;
  SqliteStatement(SqliteStatement&& other) noexcept;
  SqliteStatement& operator=(SqliteStatement&& other) noexcept;
  SqliteStatement(const SqliteStatement&) = delete;
  SqliteStatement& operator=(const SqliteStatement&) = delete;
  ~SqliteStatement();

  bool valid() const { return stmt_ != nullptr; }

  // Parameters count from 1, as in SQL.
  void BindInt64(int index, int64_t value);
  void BindText(int index, std::string_view text);
  void BindBlob(int index, std::string_view bytes);

  // Runs one step. True when a row is ready; false when the statement is
  // done or failed, with *status telling which.
  bool Step(StoreStatus* status);
  // Runs the statement to its end (for statements without rows).
  StoreStatus Run();

  // Columns count from 0. The views stay valid until the next Step or the
  // statement's destruction.
  int64_t ColumnInt64(int index) const;
  std::string_view ColumnText(int index) const;
  std::string_view ColumnBlob(int index) const;
  bool ColumnIsNull(int index) const;

 private:
  friend class SqliteDb;
  SqliteStatement(SqliteDb* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  void Release();

  SqliteDb* db_ = nullptr;
  sqlite3_stmt* stmt_ = nullptr;
};

class SqliteDb {
 public:
  struct Options {
    // How long a write may wait for another process's lock before it gives
    // up with kBusy. Bounded, so that a stuck process cannot hang callers.
    std::chrono::milliseconds busy_timeout{10000};
    // Open without the right to write (nothing is created).
    bool read_only = false;
  };

  // Opens (and creates, unless read-only) the database file at `path`.
  static StoreStatus Open(const std::string& path, const Options& options,
                          std::unique_ptr<SqliteDb>* out);
  ~SqliteDb();
  SqliteDb(const SqliteDb&) = delete;
  SqliteDb& operator=(const SqliteDb&) = delete;

  const std::string& path() const { return path_; }
  sqlite3* handle() const { return db_; }
  bool IsReadOnly() const;

  // Runs SQL text without results (several statements allowed).
  StoreStatus Exec(const char* sql);
  // A prepared statement for `sql`, cached by the text's address: pass
  // string literals. An invalid statement (check valid()) on failure.
  SqliteStatement Prepare(const char* sql, StoreStatus* status);

  // Transactions. BeginWrite takes the write lock at once (BEGIN IMMEDIATE),
  // so that what a transaction reads is still true when it writes.
  StoreStatus BeginWrite();
  StoreStatus BeginRead();
  StoreStatus Commit();
  void Rollback();
  bool InTransaction() const;

  // A status for SQLite result `rc` of the operation `what`.
  StoreStatus Error(int rc, std::string_view what) const;

  std::chrono::milliseconds busy_timeout() const { return options_.busy_timeout; }

 private:
  SqliteDb(std::string path, const Options& options) : path_(std::move(path)), options_(options) {}
  static int BusyHandler(void* self, int attempt);

  std::string path_;
  Options options_;
  sqlite3* db_ = nullptr;
  std::unordered_map<const char*, sqlite3_stmt*> statements_;
  std::chrono::steady_clock::time_point busy_since_;
};

}  // namespace tav

#endif  // TAV_UTIL_SQLITE_DB_H_
