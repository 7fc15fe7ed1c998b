#include "services/security/account_store.h"

#include <sodium.h>

#include "services/security/result_codes.h"
#include "services/security/secret.h"
#include "util/sql_db.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr size_t kMaxNameBytes = 64;
constexpr size_t kMaxGroupBytes = 256;
constexpr size_t kMaxTextBytes = 256;

// The statements, written once for every engine. Connections cache them by
// address, so each is one array.
constexpr char kProbeTables[] =
    "SELECT u.id, u.name, u.full_name, u.description, u.password_hash, u.is_admin, "
    "u.disabled, g.user_id, g.position, g.name FROM users u, user_groups g WHERE 1 = 0";
// A name taken in another case is a conflict too: the column ignores case.
constexpr char kInsertUser[] =
    "INSERT INTO users(name, full_name, description, password_hash, is_admin, disabled) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6) ON CONFLICT DO NOTHING RETURNING id";
constexpr char kInsertGroup[] =
    "INSERT INTO user_groups(user_id, position, name) VALUES(?1, ?2, ?3)";
constexpr char kSetPassword[] = "UPDATE users SET password_hash = ?1 WHERE name = ?2 RETURNING id";
constexpr char kSetDisabled[] = "UPDATE users SET disabled = ?1 WHERE name = ?2 RETURNING id";
// The groups go explicitly, not only through the foreign key's cascade: a
// connection need not enforce foreign keys (SQLite's do only when asked),
// and SQLite gives a removed account's id to the next one added.
constexpr char kRemoveGroups[] =
    "DELETE FROM user_groups WHERE user_id IN (SELECT id FROM users WHERE name = ?1)";
constexpr char kRemoveUser[] = "DELETE FROM users WHERE name = ?1 RETURNING id";
constexpr char kSelectGroups[] =
    "SELECT name FROM user_groups WHERE user_id = ?1 ORDER BY position";
constexpr char kListUsers[] =
    "SELECT id, name, full_name, description, is_admin, disabled FROM users ORDER BY name";
constexpr char kFindUser[] =
    "SELECT id, name, full_name, description, is_admin, disabled, password_hash "
    "FROM users WHERE name = ?1";

// "<what>: <the connection's message>".
std::string Failure(const char* what, const StoreStatus& status) {
  return std::string(what) + ": " + status.message();
}

// The statement for `sql`, or an invalid one with the failure in *error.
SqlStatement Prepare(SqlDb& db, const char* sql, const char* what, std::string* error) {
  StoreStatus status;
  SqlStatement statement = db.Prepare(sql, &status);
  if (!statement.valid()) *error = Failure(what, status);
  return statement;
}

// Rolls back unless committed.
class WriteTransaction {
 public:
  explicit WriteTransaction(SqlDb& db) : db_(db) {}
  ~WriteTransaction() {
    if (open_) db_.Rollback();
  }
  WriteTransaction(const WriteTransaction&) = delete;
  WriteTransaction& operator=(const WriteTransaction&) = delete;

  bool Begin(std::string* error) {
    StoreStatus status = db_.BeginWrite();
    open_ = status.ok();
    if (!open_) *error = Failure("database error", status);
    return open_;
  }
  bool Commit(std::string* error) {
    open_ = false;
    StoreStatus status = db_.Commit();
    if (!status.ok()) *error = Failure("database error", status);
    return status.ok();
  }

 private:
  SqlDb& db_;
  bool open_ = false;
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

bool InitSodium(std::string* error) {
  if (sodium_init() >= 0) return true;
  *error = "libsodium cannot be initialised";
  return false;
}

// A hash of a random, forgotten password with the cost of real ones
// (Argon2id, the INTERACTIVE limits), so that checking an unknown name takes
// as long as checking a known one. A constant, not made on first use: making
// it would cost a second hash in a fresh process, which told the names
// apart by time.
constexpr char kDummyHash[] =
    "$argon2id$v=19$m=65536,t=2,p=1$2ouphk40OW1dESRcV8B0mA$"
    "34aOhol+HLzXxPR9yq7HTNRNVH+1ZN24MAsY+bAAkrs";

// Runs an UPDATE or DELETE of one named account that returns its id: no row
// back means no such account.
AccountStore::Status ChangeOne(SqlStatement& statement, std::string_view name,
                               const char* what, std::string* error) {
  StoreStatus status;
  bool changed = false;
  while (statement.Step(&status)) changed = true;
  if (!status.ok()) {
    *error = Failure(what, status);
    return AccountStore::Status::kFailed;
  }
  if (!changed) {
    *error = "no user \"" + std::string(name) + "\"";
    return AccountStore::Status::kNotFound;
  }
  return AccountStore::Status::kOk;
}

}  // namespace

AccountStore::AccountStore(std::unique_ptr<SqlDb> db) : db_(std::move(db)) {}
AccountStore::~AccountStore() = default;

AccountStore::Status AccountStore::FromConnection(std::unique_ptr<SqlDb> db,
                                                  std::unique_ptr<AccountStore>* store,
                                                  std::string* error) {
  if (!InitSodium(error)) return Status::kFailed;
  if (db == nullptr) {
    *error = "no database connection";
    return Status::kFailed;
  }
  // Every column the statements use, so that a wrong database fails here
  // rather than at its first logon.
  {
    SqlStatement probe = Prepare(*db, kProbeTables, "not an account database", error);
    if (!probe.valid()) return Status::kFailed;
    if (StoreStatus status = probe.Run(); !status.ok()) {
      *error = Failure("not an account database", status);
      return Status::kFailed;
    }
  }
  store->reset(new AccountStore(std::move(db)));
  return Status::kOk;
}

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

  WriteTransaction transaction(*db_);
  if (!transaction.Begin(error)) return Status::kFailed;
  int64_t id = 0;
  {
    SqlStatement insert = Prepare(*db_, kInsertUser, "cannot add the user", error);
    if (!insert.valid()) return Status::kFailed;
    insert.BindText(1, account.name);
    insert.BindText(2, account.full_name);
    insert.BindText(3, account.description);
    insert.BindText(4, hash);
    insert.BindInt64(5, account.is_admin ? 1 : 0);
    insert.BindInt64(6, account.disabled ? 1 : 0);
    StoreStatus status;
    bool added = false;
    while (insert.Step(&status)) {
      id = insert.ColumnInt64(0);
      added = true;
    }
    if (!status.ok()) {
      *error = Failure("cannot add the user", status);
      return Status::kFailed;
    }
    if (!added) {
      *error = "user \"" + account.name + "\" exists already";
      return Status::kExists;
    }
  }
  for (size_t i = 0; i < groups.size(); ++i) {
    SqlStatement add_group = Prepare(*db_, kInsertGroup, "cannot add the user's groups", error);
    if (!add_group.valid()) return Status::kFailed;
    add_group.BindInt64(1, id);
    add_group.BindInt64(2, static_cast<int64_t>(i));
    add_group.BindText(3, groups[i]);
    if (StoreStatus status = add_group.Run(); !status.ok()) {
      *error = Failure("cannot add the user's groups", status);
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
  const char* what = "cannot change the password";
  SqlStatement update = Prepare(*db_, kSetPassword, what, error);
  if (!update.valid()) return Status::kFailed;
  update.BindText(1, hash);
  update.BindText(2, name);
  return ChangeOne(update, name, what, error);
}

AccountStore::Status AccountStore::SetDisabled(std::string_view name, bool disabled,
                                               std::string* error) {
  const char* what = "cannot change the user";
  SqlStatement update = Prepare(*db_, kSetDisabled, what, error);
  if (!update.valid()) return Status::kFailed;
  update.BindInt64(1, disabled ? 1 : 0);
  update.BindText(2, name);
  return ChangeOne(update, name, what, error);
}

AccountStore::Status AccountStore::Remove(std::string_view name, std::string* error) {
  const char* what = "cannot remove the user";
  WriteTransaction transaction(*db_);
  if (!transaction.Begin(error)) return Status::kFailed;
  {
    SqlStatement groups = Prepare(*db_, kRemoveGroups, what, error);
    if (!groups.valid()) return Status::kFailed;
    groups.BindText(1, name);
    if (StoreStatus status = groups.Run(); !status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
    }
  }
  {
    SqlStatement remove = Prepare(*db_, kRemoveUser, what, error);
    if (!remove.valid()) return Status::kFailed;
    remove.BindText(1, name);
    if (Status status = ChangeOne(remove, name, what, error); status != Status::kOk) {
      return status;
    }
  }
  return transaction.Commit(error) ? Status::kOk : Status::kFailed;
}

bool AccountStore::LoadGroups(int64_t id, std::vector<std::string>* groups,
                              std::string* error) {
  groups->clear();
  SqlStatement select = Prepare(*db_, kSelectGroups, "cannot read groups", error);
  if (!select.valid()) return false;
  select.BindInt64(1, id);
  StoreStatus status;
  while (select.Step(&status)) groups->emplace_back(select.ColumnText(0));
  if (status.ok()) return true;
  *error = Failure("cannot read groups", status);
  return false;
}

AccountStore::Status AccountStore::List(std::vector<Account>* accounts, std::string* error) {
  accounts->clear();
  std::vector<int64_t> ids;
  {
    SqlStatement select = Prepare(*db_, kListUsers, "cannot list users", error);
    if (!select.valid()) return Status::kFailed;
    StoreStatus status;
    while (select.Step(&status)) {
      ids.push_back(select.ColumnInt64(0));
      Account& account = accounts->emplace_back();
      account.name = select.ColumnText(1);
      account.full_name = select.ColumnText(2);
      account.description = select.ColumnText(3);
      account.is_admin = select.ColumnInt64(4) != 0;
      account.disabled = select.ColumnInt64(5) != 0;
    }
    if (!status.ok()) {
      *error = Failure("cannot list users", status);
      return Status::kFailed;
    }
  }
  for (size_t i = 0; i < ids.size(); ++i) {
    if (!LoadGroups(ids[i], &(*accounts)[i].groups, error)) return Status::kFailed;
  }
  return Status::kOk;
}

AccountStore::Status AccountStore::Find(std::string_view name, int64_t* id,
                                        std::string* hash, Account* account,
                                        std::string* error) {
  SqlStatement select = Prepare(*db_, kFindUser, "cannot read the user", error);
  if (!select.valid()) return Status::kFailed;
  select.BindText(1, name);
  StoreStatus status;
  if (!select.Step(&status)) {
    if (status.ok()) return Status::kNotFound;
    *error = Failure("cannot read the user", status);
    return Status::kFailed;
  }
  *id = select.ColumnInt64(0);
  account->name = select.ColumnText(1);
  account->full_name = select.ColumnText(2);
  account->description = select.ColumnText(3);
  account->is_admin = select.ColumnInt64(4) != 0;
  account->disabled = select.ColumnInt64(5) != 0;
  *hash = select.ColumnText(6);
  return Status::kOk;
}

bool AccountStore::Exists(std::string_view name) {
  int64_t id = 0;
  std::string hash;
  Account found;
  std::string error;
  return Find(name, &id, &hash, &found, &error) == Status::kOk;
}

int AccountStore::Verify(std::string_view name, std::string_view password,
                         Account* account, std::string* error) {
  int64_t id = 0;
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
