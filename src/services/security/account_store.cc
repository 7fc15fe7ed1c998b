#include "services/security/account_store.h"

#include <fcntl.h>
#include <sodium.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "services/security/result_codes.h"
#include "services/security/secret.h"
#include "util/atomic_create.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr int kSchemaVersion = 1;
constexpr int kBusyTimeoutMs = 5000;
constexpr size_t kMaxNameBytes = 64;
constexpr size_t kMaxGroupBytes = 256;
constexpr size_t kMaxTextBytes = 256;

constexpr char kSchema[] = R"sql(
CREATE TABLE users(
  id INTEGER PRIMARY KEY,
  name TEXT NOT NULL UNIQUE COLLATE NOCASE,
  full_name TEXT NOT NULL DEFAULT '',
  description TEXT NOT NULL DEFAULT '',
  password_hash TEXT NOT NULL,
  is_admin INTEGER NOT NULL DEFAULT 0,
  disabled INTEGER NOT NULL DEFAULT 0
);
CREATE TABLE user_groups(
  user_id INTEGER NOT NULL REFERENCES users(id) ON DELETE CASCADE,
  position INTEGER NOT NULL,
  name TEXT NOT NULL,
  PRIMARY KEY(user_id, position)
);
PRAGMA user_version = 1;
)sql";

// One prepared statement, finalized on every path.
class Statement {
 public:
  Statement(sqlite3* db, const char* sql) {
    if (sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr) != SQLITE_OK) stmt_ = nullptr;
  }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;

  bool ok() const { return stmt_ != nullptr; }
  Statement& Bind(int index, std::string_view text) {
    sqlite3_bind_text(stmt_, index, text.data(), static_cast<int>(text.size()),
                      SQLITE_TRANSIENT);
    return *this;
  }
  Statement& Bind(int index, long long value) {
    sqlite3_bind_int64(stmt_, index, value);
    return *this;
  }
  // SQLITE_ROW, SQLITE_DONE or an error code.
  int Step() { return stmt_ != nullptr ? sqlite3_step(stmt_) : SQLITE_ERROR; }
  std::string Text(int column) const {
    const unsigned char* text = sqlite3_column_text(stmt_, column);
    return text != nullptr ? reinterpret_cast<const char*>(text) : "";
  }
  long long Int(int column) const { return sqlite3_column_int64(stmt_, column); }

 private:
  sqlite3_stmt* stmt_ = nullptr;
};

std::string DbError(sqlite3* db, const char* what) {
  return std::string(what) + ": " + sqlite3_errmsg(db);
}

bool Exec(sqlite3* db, const char* sql, std::string* error) {
  if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK) return true;
  *error = DbError(db, "database error");
  return false;
}

// Rolls back unless committed.
class Transaction {
 public:
  explicit Transaction(sqlite3* db) : db_(db) {}
  ~Transaction() {
    if (begun_ && !done_) sqlite3_exec(db_, "ROLLBACK", nullptr, nullptr, nullptr);
  }
  bool Begin(std::string* error) { return begun_ = Exec(db_, "BEGIN IMMEDIATE", error); }
  bool Commit(std::string* error) { return done_ = Exec(db_, "COMMIT", error); }

 private:
  sqlite3* db_;
  bool begun_ = false;
  bool done_ = false;
};

bool HasOuterBlank(std::string_view s) {
  return !s.empty() && (s.front() == ' ' || s.back() == ' ');
}

bool ValidText(std::string_view text, const char* what, std::string* error) {
  if (text.size() <= kMaxTextBytes && !HasControlChar(text)) return true;
  *error = std::string("invalid ") + what + " (at most 256 bytes, no control characters)";
  return false;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// Narrows a file of ours that is open wider than a new one would be (0600,
// or 0640 in a group's shared store) before it is written. SQLite gives its
// journal the mode of the database.
bool PrepareDbFile(const std::string& path, std::string* error) {
  int fd = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) {
    *error = "cannot open " + path + ": " + std::strerror(errno);
    return false;
  }
  const mode_t allowed = StoreFileMode(FolderOf(path), false);
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
  if (!ok) {
    *error = path + " is not a regular file";
  } else if ((st.st_mode & 0777 & ~allowed) != 0 && st.st_uid == geteuid() &&
             fchmod(fd, st.st_mode & 0777 & allowed) != 0) {
    *error = "cannot restrict " + path + ": " + std::strerror(errno);
    ok = false;
  }
  close(fd);
  return ok;
}

// Makes a new database at `path` with the schema, whole or not at all: a
// full disk must not leave an empty file that later opens take for a
// damaged database.
bool CreateDbFile(const std::string& path, std::string* error) {
  StoreStatus status = CreateFileAtomically(
      path, StoreFileMode(FolderOf(path), false), [](const std::string& temp) {
        sqlite3* db = nullptr;
        int rc = sqlite3_open_v2(temp.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOFOLLOW,
                                 nullptr);
        std::string failure;
        if (rc == SQLITE_OK &&
            !Exec(db, ("BEGIN IMMEDIATE;" + std::string(kSchema) + "COMMIT;").c_str(), &failure)) {
          rc = SQLITE_ERROR;
        } else if (rc != SQLITE_OK) {
          failure = db != nullptr ? DbError(db, "cannot create") : "cannot create";
        }
        sqlite3_close_v2(db);
        if (rc == SQLITE_OK) return StoreStatus::Ok();
        return StoreStatus(StoreStatus::kIOError, temp + ": " + failure);
      });
  if (status.ok() || status.code() == StoreStatus::kExists) return true;
  *error = "cannot create " + path + ": " + status.message();
  return false;
}

bool ReadSchemaVersion(sqlite3* db, long long* version) {
  Statement statement(db, "PRAGMA user_version");
  if (statement.Step() != SQLITE_ROW) return false;
  *version = statement.Int(0);
  return true;
}

// A hash of a random, forgotten password with the cost of real ones
// (Argon2id, the INTERACTIVE limits), so that checking an unknown name takes
// as long as checking a known one. A constant, not made on first use: making
// it would cost a second hash in a fresh process, which told the names
// apart by time.
constexpr char kDummyHash[] =
    "$argon2id$v=19$m=65536,t=2,p=1$2ouphk40OW1dESRcV8B0mA$"
    "34aOhol+HLzXxPR9yq7HTNRNVH+1ZN24MAsY+bAAkrs";

// Runs an UPDATE or DELETE of one named account.
AccountStore::Status ChangeOne(sqlite3* db, Statement& statement, std::string_view name,
                               const char* what, std::string* error) {
  if (statement.Step() != SQLITE_DONE) {
    *error = DbError(db, what);
    return AccountStore::Status::kFailed;
  }
  if (sqlite3_changes(db) == 0) {
    *error = "no user \"" + std::string(name) + "\"";
    return AccountStore::Status::kNotFound;
  }
  return AccountStore::Status::kOk;
}

}  // namespace

AccountStore::Status AccountStore::Open(const std::string& path, Mode mode,
                                        std::unique_ptr<AccountStore>* store,
                                        std::string* error) {
  if (sodium_init() < 0) {
    *error = "libsodium cannot be initialised";
    return Status::kFailed;
  }
  int flags = SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_FULLMUTEX;
  struct stat st;
  if (mode != Mode::kCreate && stat(path.c_str(), &st) != 0 && errno == ENOENT) {
    *error = path + " does not exist";
    return Status::kMissing;
  }
  if (mode == Mode::kCreate && lstat(path.c_str(), &st) != 0 && errno == ENOENT &&
      !CreateDbFile(path, error)) {
    return Status::kFailed;
  }
  if (mode == Mode::kReadOnly) {
    flags |= SQLITE_OPEN_READONLY;
  } else {
    if (!PrepareDbFile(path, error)) return Status::kFailed;
    flags |= SQLITE_OPEN_READWRITE;
  }

  sqlite3* db = nullptr;
  int rc = sqlite3_open_v2(path.c_str(), &db, flags, nullptr);
  std::unique_ptr<AccountStore> opened(new AccountStore(db));
  if (rc != SQLITE_OK) {
    *error = db != nullptr ? DbError(db, ("cannot open " + path).c_str())
                           : "cannot open " + path;
    return Status::kFailed;
  }
  sqlite3_busy_timeout(db, kBusyTimeoutMs);
  if (!Exec(db, "PRAGMA foreign_keys = ON", error)) return Status::kFailed;

  long long schema = 0;
  if (!ReadSchemaVersion(db, &schema)) {
    *error = DbError(db, ("cannot read " + path).c_str());
    return Status::kFailed;
  }
  if (schema == 0 && mode != Mode::kReadOnly) {
    Transaction transaction(db);
    // Another process may have created the tables since the first look.
    if (!transaction.Begin(error)) return Status::kFailed;
    if (!ReadSchemaVersion(db, &schema)) {
      *error = DbError(db, ("cannot read " + path).c_str());
      return Status::kFailed;
    }
    if (schema == 0) {
      if (!Exec(db, kSchema, error)) return Status::kFailed;
      schema = kSchemaVersion;
    }
    if (!transaction.Commit(error)) return Status::kFailed;
  }
  if (schema != kSchemaVersion) {
    *error = path + ": not an account database of a known version";
    return Status::kFailed;
  }
  *store = std::move(opened);
  return Status::kOk;
}

AccountStore::~AccountStore() { sqlite3_close_v2(db_); }

bool AccountStore::ValidAccountName(std::string_view name, std::string* error) {
  if (name.empty() || name.size() > kMaxNameBytes || HasControlChar(name) ||
      HasOuterBlank(name) || name.find_first_of("\\/@:,\"") != std::string_view::npos) {
    *error = "invalid user name \"" + std::string(name) +
             "\" (1 to 64 bytes; no control characters, outer blanks or \\ / @ : , \")";
    return false;
  }
  return true;
}

bool AccountStore::ValidGroupName(std::string_view group, std::string* error) {
  // Group lists are handed out joined by ", ", so a comma would split a name.
  if (group.empty() || group.size() > kMaxGroupBytes || HasControlChar(group) ||
      HasOuterBlank(group) || group.find(',') != std::string_view::npos) {
    *error = "invalid group name \"" + std::string(group) +
             "\" (1 to 256 bytes; no control characters, outer blanks or commas)";
    return false;
  }
  return true;
}

AccountStore::Status AccountStore::HashPassword(std::string_view password,
                                                std::string* hash,
                                                std::string* error) {
  if (password.empty()) {
    *error = "the password is empty";
    return Status::kInvalid;
  }
  // Never stored cut: a password that logons would refuse is refused here.
  if (password.size() > kMaxPasswordBytes) {
    *error = "the password is longer than " + std::to_string(kMaxPasswordBytes) + " bytes";
    return Status::kInvalid;
  }
  char out[crypto_pwhash_STRBYTES];
  if (crypto_pwhash_str(out, password.data(), password.size(),
                        crypto_pwhash_OPSLIMIT_INTERACTIVE,
                        crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0) {
    *error = "cannot hash the password (out of memory)";
    return Status::kFailed;
  }
  *hash = out;
  return Status::kOk;
}

AccountStore::Status AccountStore::Add(const Account& account, std::string_view password,
                                       std::string* error) {
  if (!ValidAccountName(account.name, error) ||
      !ValidText(account.full_name, "full name", error) ||
      !ValidText(account.description, "description", error)) {
    return Status::kInvalid;
  }
  std::vector<std::string> groups;
  for (const std::string& group : account.groups) {
    if (!ValidGroupName(group, error)) return Status::kInvalid;
    bool seen = false;
    for (const std::string& kept : groups) seen = seen || EqualNoCase(kept, group);
    if (!seen) groups.push_back(group);
  }
  std::string hash;
  if (Status status = HashPassword(password, &hash, error); status != Status::kOk) {
    return status;
  }

  Transaction transaction(db_);
  if (!transaction.Begin(error)) return Status::kFailed;
  Statement insert(db_,
                   "INSERT INTO users(name, full_name, description, password_hash, "
                   "is_admin, disabled) VALUES(?, ?, ?, ?, ?, ?)");
  insert.Bind(1, account.name).Bind(2, account.full_name).Bind(3, account.description);
  insert.Bind(4, hash).Bind(5, account.is_admin ? 1 : 0).Bind(6, account.disabled ? 1 : 0);
  int rc = insert.Step();
  if (rc == SQLITE_CONSTRAINT) {
    *error = "user \"" + account.name + "\" exists already";
    return Status::kExists;
  }
  if (rc != SQLITE_DONE) {
    *error = DbError(db_, "cannot add the user");
    return Status::kFailed;
  }
  long long id = sqlite3_last_insert_rowid(db_);
  for (size_t i = 0; i < groups.size(); ++i) {
    Statement add_group(db_, "INSERT INTO user_groups(user_id, position, name) VALUES(?, ?, ?)");
    add_group.Bind(1, id).Bind(2, static_cast<long long>(i)).Bind(3, groups[i]);
    if (add_group.Step() != SQLITE_DONE) {
      *error = DbError(db_, "cannot add the user's groups");
      return Status::kFailed;
    }
  }
  return transaction.Commit(error) ? Status::kOk : Status::kFailed;
}

AccountStore::Status AccountStore::SetPassword(std::string_view name,
                                               std::string_view password,
                                               std::string* error) {
  std::string hash;
  if (Status status = HashPassword(password, &hash, error); status != Status::kOk) {
    return status;
  }
  Statement update(db_, "UPDATE users SET password_hash = ? WHERE name = ?");
  update.Bind(1, hash).Bind(2, name);
  return ChangeOne(db_, update, name, "cannot change the password", error);
}

AccountStore::Status AccountStore::SetDisabled(std::string_view name, bool disabled,
                                               std::string* error) {
  Statement update(db_, "UPDATE users SET disabled = ? WHERE name = ?");
  update.Bind(1, disabled ? 1LL : 0LL).Bind(2, name);
  return ChangeOne(db_, update, name, "cannot change the user", error);
}

AccountStore::Status AccountStore::Remove(std::string_view name, std::string* error) {
  Statement remove(db_, "DELETE FROM users WHERE name = ?");
  remove.Bind(1, name);
  return ChangeOne(db_, remove, name, "cannot remove the user", error);
}

bool AccountStore::LoadGroups(long long id, std::vector<std::string>* groups,
                              std::string* error) {
  groups->clear();
  Statement select(db_, "SELECT name FROM user_groups WHERE user_id = ? ORDER BY position");
  select.Bind(1, id);
  int rc;
  while ((rc = select.Step()) == SQLITE_ROW) groups->push_back(select.Text(0));
  if (rc == SQLITE_DONE) return true;
  *error = DbError(db_, "cannot read groups");
  return false;
}

AccountStore::Status AccountStore::List(std::vector<Account>* accounts, std::string* error) {
  accounts->clear();
  Statement select(db_,
                   "SELECT id, name, full_name, description, is_admin, disabled "
                   "FROM users ORDER BY name");
  std::vector<long long> ids;
  int rc;
  while ((rc = select.Step()) == SQLITE_ROW) {
    ids.push_back(select.Int(0));
    Account& account = accounts->emplace_back();
    account.name = select.Text(1);
    account.full_name = select.Text(2);
    account.description = select.Text(3);
    account.is_admin = select.Int(4) != 0;
    account.disabled = select.Int(5) != 0;
  }
  if (rc != SQLITE_DONE) {
    *error = DbError(db_, "cannot list users");
    return Status::kFailed;
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    if (!LoadGroups(ids[i], &(*accounts)[i].groups, error)) return Status::kFailed;
  }
  return Status::kOk;
}

AccountStore::Status AccountStore::Find(std::string_view name, long long* id,
                                        std::string* hash, Account* account,
                                        std::string* error) {
  Statement select(db_,
                   "SELECT id, name, full_name, description, is_admin, disabled, "
                   "password_hash FROM users WHERE name = ?");
  select.Bind(1, name);
  int rc = select.Step();
  if (rc == SQLITE_DONE) return Status::kNotFound;
  if (rc != SQLITE_ROW) {
    *error = DbError(db_, "cannot read the user");
    return Status::kFailed;
  }
  *id = select.Int(0);
  account->name = select.Text(1);
  account->full_name = select.Text(2);
  account->description = select.Text(3);
  account->is_admin = select.Int(4) != 0;
  account->disabled = select.Int(5) != 0;
  *hash = select.Text(6);
  return Status::kOk;
}

bool AccountStore::Exists(std::string_view name) {
  long long id = 0;
  std::string hash;
  Account found;
  std::string error;
  return Find(name, &id, &hash, &found, &error) == Status::kOk;
}

int AccountStore::Verify(std::string_view name, std::string_view password,
                         Account* account, std::string* error) {
  long long id = 0;
  std::string hash;
  Account found;
  Status status = Find(name, &id, &hash, &found, error);
  if (status == Status::kFailed) return kSecBackendUnavailable;
  if (status == Status::kNotFound) {
    // Spend the time a real check takes; the answer is failure regardless.
    [[maybe_unused]] int never_matches =
        crypto_pwhash_str_verify(kDummyHash, password.data(), password.size());
    return kSecLogonFailure;
  }
  // A password past the limit is wrong whatever its first bytes are.
  if (password.size() > kMaxPasswordBytes ||
      crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) != 0) {
    return kSecLogonFailure;
  }
  if (found.disabled) return kSecAccountDisabled;
  if (!LoadGroups(id, &found.groups, error)) return kSecBackendUnavailable;
  *account = std::move(found);
  return kSecOk;
}

}  // namespace tav
