// SqlDb: one connection to the database that holds the suite's compliance
// data, whichever engine keeps it: the embedded SQLite file of one
// workstation (SqliteDb) or the lab's PostgreSQL store (PgDb). The stores
// write their SQL once, in the dialect both engines accept: parameters are
// written ?1, ?2, ... (the PostgreSQL connection renumbers them), blobs are
// bound and read as bytes, integers as 64-bit.
//
// Thread safety: a connection (and every statement it hands out) is used by
// one thread at a time; ComplianceDb puts a mutex in front of it.
// Ownership: the connection owns its prepared statements; a SqlStatement
// borrows one and must not outlive the connection.
#ifndef TAV_UTIL_SQL_DB_H_
#define TAV_UTIL_SQL_DB_H_

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

#include "util/store_status.h"

namespace tav {

// One prepared statement of an engine. Connections keep them in a cache and
// lend them out through SqlStatement.
class SqlCursor {
 public:
  virtual ~SqlCursor() = default;
  virtual void BindInt64(int index, int64_t value) = 0;
  virtual void BindText(int index, std::string_view text) = 0;
  virtual void BindBlob(int index, std::string_view bytes) = 0;
  virtual void BindNull(int index) = 0;
  virtual bool Step(StoreStatus* status) = 0;
  virtual int64_t ColumnInt64(int index) const = 0;
  virtual std::string_view ColumnText(int index) const = 0;
  virtual std::string_view ColumnBlob(int index) const = 0;
  virtual bool ColumnIsNull(int index) const = 0;
  // Ends the current run and clears the bindings, for the next borrower.
  virtual void Reset() = 0;
};

// A prepared statement from the connection's cache. Destroying it resets the
// statement and clears its bindings, so the next user starts clean.
class SqlStatement {
 public:
  SqlStatement() = default;
  explicit SqlStatement(SqlCursor* cursor) : cursor_(cursor) {}
  SqlStatement(SqlStatement&& other) noexcept : cursor_(other.cursor_) { other.cursor_ = nullptr; }
  SqlStatement& operator=(SqlStatement&& other) noexcept {
    if (this != &other) {
      Release();
      cursor_ = other.cursor_;
      other.cursor_ = nullptr;
    }
    return *this;
  }
  SqlStatement(const SqlStatement&) = delete;
  SqlStatement& operator=(const SqlStatement&) = delete;
  ~SqlStatement() { Release(); }

  bool valid() const { return cursor_ != nullptr; }

  // Parameters count from 1, as in SQL.
  void BindInt64(int index, int64_t value) { cursor_->BindInt64(index, value); }
  void BindText(int index, std::string_view text) { cursor_->BindText(index, text); }
  void BindBlob(int index, std::string_view bytes) { cursor_->BindBlob(index, bytes); }
  void BindNull(int index) { cursor_->BindNull(index); }

  // Runs one step. True when a row is ready; false when the statement is
  // done or failed, with *status telling which.
  bool Step(StoreStatus* status) { return cursor_->Step(status); }
  // Runs the statement to its end (for statements without rows).
  StoreStatus Run() {
    StoreStatus status;
    while (Step(&status)) {
    }
    return status;
  }

  // Columns count from 0. The views stay valid until the next Step or the
  // statement's destruction.
  int64_t ColumnInt64(int index) const { return cursor_->ColumnInt64(index); }
  std::string_view ColumnText(int index) const { return cursor_->ColumnText(index); }
  std::string_view ColumnBlob(int index) const { return cursor_->ColumnBlob(index); }
  bool ColumnIsNull(int index) const { return cursor_->ColumnIsNull(index); }

 private:
  void Release() {
    if (cursor_ != nullptr) cursor_->Reset();
    cursor_ = nullptr;
  }
  SqlCursor* cursor_ = nullptr;
};

class SqlDb {
 public:
  enum class Engine { kSqlite, kPostgres };

  virtual ~SqlDb() = default;
  SqlDb(const SqlDb&) = delete;
  SqlDb& operator=(const SqlDb&) = delete;

  virtual Engine engine() const = 0;
  // The database's name in messages: the file's path, or the lab store's
  // connection without its password.
  virtual const std::string& path() const = 0;
  virtual bool IsReadOnly() const = 0;

  // Runs SQL text without results (several statements allowed).
  virtual StoreStatus Exec(const char* sql) = 0;
  // A prepared statement for `sql`, cached by its text: equal texts share
  // one statement wherever they are stored. An invalid statement (check
  // valid()) on failure.
  virtual SqlStatement Prepare(const char* sql, StoreStatus* status) = 0;

  // Transactions. BeginWrite takes the write lock at once, so that what a
  // transaction reads is still true when it writes.
  virtual StoreStatus BeginWrite() = 0;
  virtual StoreStatus BeginRead() = 0;
  virtual StoreStatus Commit() = 0;
  virtual void Rollback() = 0;
  virtual bool InTransaction() const = 0;

  // How long an operation may wait for a lock held by another process.
  virtual std::chrono::milliseconds busy_timeout() const = 0;

 protected:
  SqlDb() = default;
};

}  // namespace tav

#endif  // TAV_UTIL_SQL_DB_H_
