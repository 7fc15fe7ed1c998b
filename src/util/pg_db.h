// PgDb: one connection to a PostgreSQL database (the lab store), as a
// SqlDb. Statements are prepared on the server once per connection, take
// their parameters ?1, ?2, ... (renumbered to $1, $2, ...), and return their
// rows one at a time in binary form, so that a large log is never held in
// memory whole.
//
// Waits are bounded: connecting gives up after the connect timeout, and a
// statement that waits for a lock longer than the busy timeout fails with
// kBusy (lock_timeout); one that runs far longer fails too
// (statement_timeout). A connection that was lost is made again once, at the
// start of the next transaction, within the same limits; after a failed
// attempt, operations in the next few seconds fail at once rather than each
// waiting again. A store that cannot be reached is kUnavailable.
//
// Passwords: the connection string may name none; libpq takes them from
// ~/.pgpass, $PGPASSFILE or a service file. The name used in messages
// (path()) holds the server, port, database, user and schema only.
//
// Write transactions are put one after another by a transaction-level
// advisory lock of the schema, as the embedded store's write lock does.
//
// Thread safety: one thread at a time, as every SqlDb.
#ifndef TAV_UTIL_PG_DB_H_
#define TAV_UTIL_PG_DB_H_

#include <chrono>
#include <memory>
#include <string>

#include "util/sql_db.h"
#include "util/statement_cache.h"
#include "util/store_status.h"

struct pg_conn;

namespace tav {

class PgCursor;

class PgDb : public SqlDb {
 public:
  struct Options {
    // How long an operation may wait for a lock another client holds.
    std::chrono::milliseconds busy_timeout{10000};
    // How long connecting (and connecting again) may take.
    std::chrono::seconds connect_timeout{5};
    // The schema that holds the store's tables ("tavsecurity").
    std::string schema = "tavsecurity";
  };

  // Connects with the libpq connection string or URI `conninfo` (empty:
  // libpq's environment and defaults).
  static StoreStatus Open(const std::string& conninfo, const Options& options,
                          std::unique_ptr<PgDb>* out);
  ~PgDb() override;

  Engine engine() const override { return Engine::kPostgres; }
  const std::string& path() const override { return name_; }
  bool IsReadOnly() const override { return false; }

  StoreStatus Exec(const char* sql) override;
  SqlStatement Prepare(const char* sql, StoreStatus* status) override;

  StoreStatus BeginWrite() override;
  StoreStatus BeginRead() override;
  StoreStatus Commit() override;
  void Rollback() override;
  bool InTransaction() const override;

  std::chrono::milliseconds busy_timeout() const override { return options_.busy_timeout; }

  // A transaction without the writer lock, for work that the database
  // orders itself (appends to the logs), so that clients' commits can share
  // their flushes.
  StoreStatus BeginUnordered();

  const std::string& schema() const { return options_.schema; }
  // Runs `sql` outside any prepared-statement cache (DDL, one-off
  // commands), with the whole text sent at once.
  StoreStatus ExecText(const std::string& sql);

  // A status for the failure of `what`, from the connection's last error
  // (SQLSTATE when there is one).
  StoreStatus Error(const void* result, std::string_view what) const;

  // ?1 -> $1 outside quotes and comments; exposed for tests.
  static std::string RenumberParameters(const char* sql);

 private:
  friend class PgCursor;
  PgDb(std::string conninfo, const Options& options);
  StoreStatus Connect();
  // Refuses a server elsewhere that is not reached with verify-full TLS.
  StoreStatus CheckTransport() const;
  StoreStatus Configure();
  StoreStatus EnsureConnected();
  StoreStatus Simple(const char* sql, std::string_view what);
  // Connects again if need be and starts a transaction with `sql`.
  StoreStatus Begin(const char* sql, std::string_view what);
  // Lets `next` run: a cursor whose rows are still being read has the rest
  // buffered first, since a connection runs one query at a time.
  void MakeWayFor(PgCursor* next);

  std::string conninfo_;
  Options options_;
  std::string name_;
  pg_conn* conn_ = nullptr;
  int writer_lock_key_ = 0;
  int next_statement_ = 0;
  // By their text; emptied in the destructor, before the connection closes
  // (PgCursor is defined in the .cc).
  StatementCache<PgCursor> statements_;
  PgCursor* running_ = nullptr;
  bool in_transaction_ = false;
  // Counts connections made; statements are prepared again on a new one.
  int generation_ = 0;
  // When connecting again last failed: for a while after, callers are
  // answered at once instead of each waiting for the connect timeout.
  std::chrono::steady_clock::time_point reconnect_failed_at_{};
  StoreStatus reconnect_failure_;
};

}  // namespace tav

#endif  // TAV_UTIL_PG_DB_H_
