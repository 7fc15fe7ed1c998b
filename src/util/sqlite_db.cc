#include "util/sqlite_db.h"

#include <sys/stat.h>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>
#include <random>
#include <thread>

namespace tav {

// --------------------------------------------------------------- SqliteCursor

class SqliteCursor final : public SqlCursor {
 public:
  SqliteCursor(SqliteDb* db, sqlite3_stmt* stmt) : db_(db), stmt_(stmt) {}
  ~SqliteCursor() override { sqlite3_finalize(stmt_); }

  void BindInt64(int index, int64_t value) override { sqlite3_bind_int64(stmt_, index, value); }
  void BindText(int index, std::string_view text) override {
    sqlite3_bind_text64(stmt_, index, text.data(), text.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
  }
  void BindBlob(int index, std::string_view bytes) override {
    // A zero-length blob must still be a blob, not NULL.
    static const char kEmpty = 0;
    sqlite3_bind_blob64(stmt_, index, bytes.empty() ? &kEmpty : bytes.data(), bytes.size(),
                        SQLITE_TRANSIENT);
  }
  void BindNull(int index) override { sqlite3_bind_null(stmt_, index); }

  bool Step(StoreStatus* status) override {
    const int rc = sqlite3_step(stmt_);
    if (rc == SQLITE_ROW) return true;
    if (rc == SQLITE_DONE) {
      *status = StoreStatus::Ok();
    } else {
      *status = db_->Error(rc, "a statement failed");
    }
    return false;
  }

  int64_t ColumnInt64(int index) const override { return sqlite3_column_int64(stmt_, index); }
  std::string_view ColumnText(int index) const override {
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, index));
    const int n = sqlite3_column_bytes(stmt_, index);
    return p == nullptr ? std::string_view() : std::string_view(p, static_cast<size_t>(n));
  }
  std::string_view ColumnBlob(int index) const override {
    const auto* p = static_cast<const char*>(sqlite3_column_blob(stmt_, index));
    const int n = sqlite3_column_bytes(stmt_, index);
    return p == nullptr ? std::string_view() : std::string_view(p, static_cast<size_t>(n));
  }
  bool ColumnIsNull(int index) const override {
    return sqlite3_column_type(stmt_, index) == SQLITE_NULL;
  }

  void Reset() override {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  SqliteDb* db_;
  sqlite3_stmt* stmt_;
};

// ------------------------------------------------------------------ SqliteDb

SqliteDb::SqliteDb(std::string path, const Options& options)
    : path_(std::move(path)), options_(options) {}

namespace {

// For a private database: the file itself, when it exists, is a regular
// file, and every journal beside it belongs to the file's owner.
StoreStatus CheckPrivateFiles(const std::string& path) {
  struct stat db_st;
  const bool db_exists = lstat(path.c_str(), &db_st) == 0;
  if (db_exists && !S_ISREG(db_st.st_mode)) {
    return StoreStatus(StoreStatus::kTampered,
                       path + ": not a regular file (a link or a device); it is not opened");
  }
  for (const char* suffix : {"-journal", "-wal", "-shm"}) {
    const std::string side = path + suffix;
    struct stat st;
    if (lstat(side.c_str(), &st) != 0) continue;
    if (!S_ISREG(st.st_mode) || !db_exists || st.st_uid != db_st.st_uid) {
      return StoreStatus(StoreStatus::kTampered,
                         side + ": a journal that the database's owner did not write (owner uid " +
                             std::to_string(st.st_uid) +
                             "); it is refused, not played back. An administrator removes it "
                             "after checking where it came from.");
    }
  }
  return StoreStatus::Ok();
}

}  // namespace

StoreStatus SqliteDb::Open(const std::string& path, const Options& options,
                           std::unique_ptr<SqliteDb>* out) {
  if (options.private_files) {
    StoreStatus checked = CheckPrivateFiles(path);
    if (!checked.ok()) return checked;
  }
  std::unique_ptr<SqliteDb> db(new SqliteDb(path, options));
  const int flags = (options.read_only ? SQLITE_OPEN_READONLY
                                       : SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE) |
                    SQLITE_OPEN_NOMUTEX | (options.private_files ? SQLITE_OPEN_NOFOLLOW : 0);
  const int rc = sqlite3_open_v2(path.c_str(), &db->db_, flags, nullptr);
  if (rc != SQLITE_OK) {
    StoreStatus status = db->Error(rc, "cannot open the database");
    return status;
  }
  sqlite3_extended_result_codes(db->db_, 1);
  // A database file may come from anywhere: do not let its schema run
  // functions with side effects, and refuse writes that could corrupt it.
  sqlite3_db_config(db->db_, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
  sqlite3_db_config(db->db_, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
  sqlite3_busy_handler(db->db_, &SqliteDb::BusyHandler, db.get());
  *out = std::move(db);
  return StoreStatus::Ok();
}

SqliteDb::~SqliteDb() {
  statements_.Clear();
  if (db_ != nullptr) sqlite3_close_v2(db_);
}

int SqliteDb::BusyHandler(void* self, int attempt) {
  auto* db = static_cast<SqliteDb*>(self);
  const auto now = std::chrono::steady_clock::now();
  if (attempt == 0) db->busy_since_ = now;
  if (now - db->busy_since_ >= db->options_.busy_timeout) return 0;
  // Another writer's transaction usually lasts well under a millisecond, so
  // start with short, jittered sleeps and back off to a few milliseconds;
  // the jitter keeps competing processes from waking in lockstep.
  thread_local std::minstd_rand jitter(
      static_cast<unsigned>(std::hash<std::thread::id>()(std::this_thread::get_id())));
  const int shift = attempt < 6 ? attempt : 6;
  const int base_us = 50 << shift;  // 50 us .. 3.2 ms
  const int sleep_us = base_us / 2 + static_cast<int>(jitter() % static_cast<unsigned>(base_us));
  std::this_thread::sleep_for(std::chrono::microseconds(sleep_us));
  return 1;
}

bool SqliteDb::IsReadOnly() const { return sqlite3_db_readonly(db_, "main") == 1; }

StoreStatus SqliteDb::Error(int rc, std::string_view what) const {
  const int primary = rc & 0xFF;
  const int sys = db_ != nullptr ? sqlite3_system_errno(db_) : 0;
  std::string detail = db_ != nullptr ? sqlite3_errmsg(db_) : sqlite3_errstr(rc);
  if (sys != 0 && primary != SQLITE_BUSY && primary != SQLITE_LOCKED) {
    detail += " (";
    detail += std::strerror(sys);
    detail += ")";
  }
  std::string message = path_ + ": " + std::string(what) + ": " + detail;
  StoreStatus::Code code = StoreStatus::kIOError;
  switch (primary) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      code = StoreStatus::kBusy;
      message = path_ + ": " + std::string(what) + ": the database stayed locked by another " +
                "process for more than " + std::to_string(options_.busy_timeout.count()) + " ms";
      break;
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
      code = StoreStatus::kCorrupt;
      break;
    case SQLITE_FULL:
      code = StoreStatus::kFull;
      break;
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_AUTH:
      code = StoreStatus::kReadOnly;
      break;
    case SQLITE_CANTOPEN:
      code = (sys == EACCES || sys == EROFS || sys == EPERM) ? StoreStatus::kReadOnly
                                                            : StoreStatus::kIOError;
      break;
    case SQLITE_IOERR:
      // EFBIG: the file may not grow (a size limit), as good as a full disk.
      code = (sys == ENOSPC || sys == EDQUOT || sys == EFBIG) ? StoreStatus::kFull
                                                             : StoreStatus::kIOError;
      break;
    default:
      break;
  }
  return StoreStatus(code, std::move(message));
}

StoreStatus SqliteDb::Exec(const char* sql) {
  const int rc = sqlite3_exec(db_, sql, nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? StoreStatus::Ok() : Error(rc, "a statement failed");
}

SqlStatement SqliteDb::Prepare(const char* sql, StoreStatus* status) {
  SqliteCursor* cursor = statements_.Find(sql);
  if (cursor == nullptr) {
    sqlite3_stmt* stmt = nullptr;
    const int rc = sqlite3_prepare_v3(db_, sql, -1, SQLITE_PREPARE_PERSISTENT, &stmt, nullptr);
    if (rc != SQLITE_OK) {
      *status = Error(rc, "cannot prepare a statement");
      return SqlStatement();
    }
    cursor = statements_.Insert(sql, std::make_unique<SqliteCursor>(this, stmt));
  }
  *status = StoreStatus::Ok();
  return SqlStatement(cursor);
}

StoreStatus SqliteDb::BeginWrite() {
  const int rc = sqlite3_exec(db_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? StoreStatus::Ok() : Error(rc, "cannot start a write transaction");
}

StoreStatus SqliteDb::BeginRead() {
  const int rc = sqlite3_exec(db_, "BEGIN", nullptr, nullptr, nullptr);
  return rc == SQLITE_OK ? StoreStatus::Ok() : Error(rc, "cannot start a read transaction");
}

StoreStatus SqliteDb::Commit() {
  const int rc = sqlite3_exec(db_, "COMMIT", nullptr, nullptr, nullptr);
  if (rc == SQLITE_OK) return StoreStatus::Ok();
  StoreStatus status = Error(rc, "cannot commit");
  Rollback();
  return status;
}

void SqliteDb::Rollback() {
  if (InTransaction()) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
}

bool SqliteDb::InTransaction() const { return sqlite3_get_autocommit(db_) == 0; }

StoreStatus SqliteTableExists(SqlDb& db, std::string_view table, bool* exists) {
  StoreStatus status;
  SqlStatement stmt =
      db.Prepare("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = ?1", &status);
  if (!status.ok()) return status;
  stmt.BindText(1, table);
  *exists = stmt.Step(&status) && stmt.ColumnInt64(0) != 0;
  return status;
}

}  // namespace tav
