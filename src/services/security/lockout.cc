#include "services/security/lockout.h"

#include <sodium.h>
#include <sys/stat.h>

#include <cerrno>

#include "services/security/result_codes.h"
#include "util/atomic_create.h"
#include "util/sqlite_db.h"

namespace tav {
namespace {

constexpr char kSchema[] = R"sql(
CREATE TABLE failures(account BLOB NOT NULL, at INTEGER NOT NULL);
CREATE INDEX failures_by_account ON failures(account);
CREATE TABLE locks(account BLOB PRIMARY KEY, until INTEGER NOT NULL);
PRAGMA user_version = 1;
)sql";

// The key of an account: BLAKE2b-256 of its name in lower-case ASCII.
std::string AccountKey(std::string_view name) {
  std::string lower(name);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  unsigned char hash[32];
  crypto_generichash(hash, sizeof hash, reinterpret_cast<const unsigned char*>(lower.data()),
                     lower.size(), nullptr, 0);
  return std::string(reinterpret_cast<const char*>(hash), sizeof hash);
}

// Runs `sql` with the account key and, when `value` is given, a number.
StoreStatus Run(SqliteDb& db, const char* sql, std::string_view key, int64_t value = 0,
                bool with_value = false) {
  StoreStatus status;
  SqlStatement statement = db.Prepare(sql, &status);
  if (!statement.valid()) return status;
  statement.BindBlob(1, key);
  if (with_value) statement.BindInt64(2, value);
  return statement.Run();
}

// Rolls back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(SqliteDb& db) : db_(db) {}
  ~WriteTransaction() {
    if (open_) db_.Rollback();
  }
  StoreStatus Begin() {
    StoreStatus status = db_.BeginWrite();
    open_ = status.ok();
    return status;
  }
  StoreStatus Commit() {
    open_ = false;
    return db_.Commit();
  }

 private:
  SqliteDb& db_;
  bool open_ = false;
};

StoreStatus CreateDb(const std::string& path) {
  StoreStatus status = CreateFileAtomically(
      path, StoreFileMode(FolderOf(path), true), [](const std::string& temp) {
        std::unique_ptr<SqliteDb> db;
        StoreStatus opened = SqliteDb::Open(temp, SqliteDb::Options(), &db);
        if (!opened.ok()) return opened;
        return db->Exec(kSchema);
      });
  if (status.code() == StoreStatus::kExists) return StoreStatus::Ok();
  return status;
}

}  // namespace

LockoutStore::LockoutStore(std::unique_ptr<SqliteDb> db) : db_(std::move(db)) {}
LockoutStore::~LockoutStore() = default;

StoreStatus LockoutStore::Open(const std::string& path, std::unique_ptr<LockoutStore>* out) {
  if (sodium_init() < 0) {
    return StoreStatus(StoreStatus::kUnavailable, "libsodium cannot be initialised");
  }
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) {
    if (StoreStatus created = CreateDb(path); !created.ok()) return created;
  }
  std::unique_ptr<SqliteDb> db;
  SqliteDb::Options options;
  options.private_files = true;
  if (StoreStatus status = SqliteDb::Open(path, options, &db); !status.ok()) {
    return status;
  }
  StoreStatus status;
  SqlStatement version = db->Prepare("PRAGMA user_version", &status);
  if (!version.valid()) return status;
  if (!version.Step(&status)) {
    return status.ok() ? StoreStatus(StoreStatus::kCorrupt, path + ": no schema version")
                       : status;
  }
  if (version.ColumnInt64(0) != 1) {
    return StoreStatus(StoreStatus::kForeign, path + ": not a lockout database of a known version");
  }
  version = SqlStatement();
  out->reset(new LockoutStore(std::move(db)));
  return StoreStatus::Ok();
}

StoreStatus LockoutStore::OpenIn(const std::string& data_dir,
                                 std::unique_ptr<LockoutStore>* out) {
  return Open(data_dir + "/" + kLockoutDbFile, out);
}

StoreStatus LockoutStore::LockedLocked(std::string_view key, int64_t now, bool* locked) {
  StoreStatus status;
  SqlStatement select = db_->Prepare("SELECT until FROM locks WHERE account = ?", &status);
  if (!select.valid()) return status;
  select.BindBlob(1, key);
  *locked = false;
  if (select.Step(&status)) {
    const int64_t until = select.ColumnInt64(0);
    *locked = until == 0 || until > now;
  }
  return status;
}

StoreStatus LockoutStore::IsLocked(std::string_view name, int64_t now, bool* locked) {
  return LockedLocked(AccountKey(name), now, locked);
}

StoreStatus LockoutStore::RecordFailure(std::string_view name, int64_t now,
                                        const LockoutPolicy& policy, bool* locked_now) {
  *locked_now = false;
  if (policy.deny <= 0) return StoreStatus::Ok();
  const std::string key = AccountKey(name);
  WriteTransaction transaction(*db_);
  StoreStatus status = transaction.Begin();
  if (!status.ok()) return status;
  bool locked = false;
  if (status = LockedLocked(key, now, &locked); !status.ok()) return status;
  if (locked) return transaction.Commit();  // refused already; nothing more to count
  const int64_t since = now - policy.interval_seconds;
  if (status = Run(*db_, "DELETE FROM failures WHERE account = ? AND at <= ?", key, since, true);
      !status.ok()) {
    return status;
  }
  if (status = Run(*db_, "INSERT INTO failures(account, at) VALUES(?, ?)", key, now, true);
      !status.ok()) {
    return status;
  }
  SqlStatement count =
      db_->Prepare("SELECT count(*) FROM failures WHERE account = ?", &status);
  if (!count.valid()) return status;
  count.BindBlob(1, key);
  if (!count.Step(&status)) return status;
  const int64_t failures = count.ColumnInt64(0);
  count = SqlStatement();
  if (failures >= policy.deny) {
    const int64_t until = policy.unlock_seconds == 0 ? 0 : now + policy.unlock_seconds;
    if (status = Run(*db_, "INSERT OR REPLACE INTO locks(account, until) VALUES(?, ?)", key,
                     until, true);
        !status.ok()) {
      return status;
    }
    if (status = Run(*db_, "DELETE FROM failures WHERE account = ?", key); !status.ok()) {
      return status;
    }
    *locked_now = true;
  }
  // Old rows of other names go too, so that typed garbage does not pile up.
  if (status = Run(*db_, "DELETE FROM failures WHERE at <= ?2 AND account != ?1", key, since,
                   true);
      !status.ok()) {
    return status;
  }
  if (status = Run(*db_, "DELETE FROM locks WHERE until != 0 AND until <= ?2 AND account != ?1",
                   key, now, true);
      !status.ok()) {
    return status;
  }
  status = transaction.Commit();
  if (!status.ok()) *locked_now = false;
  return status;
}

StoreStatus LockoutStore::RecordSuccess(std::string_view name) {
  return Run(*db_, "DELETE FROM failures WHERE account = ?", AccountKey(name));
}

StoreStatus LockoutStore::Unlock(std::string_view name, int64_t now, bool* was_locked) {
  const std::string key = AccountKey(name);
  WriteTransaction transaction(*db_);
  StoreStatus status = transaction.Begin();
  if (!status.ok()) return status;
  if (status = LockedLocked(key, now, was_locked); !status.ok()) return status;
  if (status = Run(*db_, "DELETE FROM locks WHERE account = ?", key); !status.ok()) return status;
  if (status = Run(*db_, "DELETE FROM failures WHERE account = ?", key); !status.ok()) {
    return status;
  }
  return transaction.Commit();
}

int GuardedAuthentication(const SecurityConfig& config, const std::string& name, int64_t now,
                          const std::function<int()>& check, GuardOutcome* outcome,
                          std::string* detail) {
  *outcome = GuardOutcome();
  if (config.lockout.deny <= 0) return check();
  std::unique_ptr<LockoutStore> store;
  StoreStatus status = LockoutStore::OpenIn(config.data_dir, &store);
  bool locked = false;
  if (status.ok()) status = store->IsLocked(name, now, &locked);
  if (!status.ok()) {
    *detail = status.message();
    return kSecBackendUnavailable;
  }
  if (locked) {
    outcome->refused_locked = true;
    return kSecAccountLockedOut;
  }
  const int code = check();
  if (code == kSecLogonFailure) {
    status = store->RecordFailure(name, now, config.lockout, &outcome->locked_now);
  } else if (code == kSecOk) {
    status = store->RecordSuccess(name);
  }
  if (!status.ok()) {
    // A failure that could not be counted must not be free to repeat.
    *detail = status.message();
    return kSecBackendUnavailable;
  }
  return code;
}

}  // namespace tav
