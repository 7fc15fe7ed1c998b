#include "services/security/account_store.h"

#include <sodium.h>

#include <ctime>

#include "services/security/password_policy.h"
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
    "u.disabled, u.removed_at, u.must_change, u.password_set_at, g.user_id, g.position, "
    "g.name, h.id, h.user_id, h.hash, s.name, s.uid, s.first_seen, s.refused_uid "
    "FROM users u, user_groups g, password_history h, system_uids s WHERE 1 = 0";
// A name taken in another case is a conflict too: the column ignores case.
constexpr char kInsertUser[] =
    "INSERT INTO users(name, full_name, description, password_hash, is_admin, disabled, "
    "must_change, password_set_at) "
    "VALUES(?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8) ON CONFLICT DO NOTHING RETURNING id";
constexpr char kInsertGroup[] =
    "INSERT INTO user_groups(user_id, position, name) VALUES(?1, ?2, ?3)";
constexpr char kSetHash[] =
    "UPDATE users SET password_hash = ?1, must_change = ?2, password_set_at = ?3 WHERE id = ?4";
constexpr char kKeepOldHash[] =
    "INSERT INTO password_history(user_id, hash) "
    "SELECT id, password_hash FROM users WHERE id = ?1 AND password_hash <> ''";
// The newest `?2` old hashes stay.
constexpr char kTrimHistory[] =
    "DELETE FROM password_history WHERE user_id = ?1 AND id NOT IN "
    "(SELECT id FROM password_history WHERE user_id = ?1 ORDER BY id DESC LIMIT ?2)";
constexpr char kSelectHistory[] =
    "SELECT hash FROM password_history WHERE user_id = ?1 ORDER BY id DESC LIMIT ?2";
constexpr char kDropHistory[] = "DELETE FROM password_history WHERE user_id = ?1";
constexpr char kSetDisabled[] =
    "UPDATE users SET disabled = ?1 WHERE name = ?2 AND removed_at IS NULL RETURNING id";
constexpr char kExpire[] =
    "UPDATE users SET must_change = 1 WHERE name = ?1 AND removed_at IS NULL RETURNING id";
// Retiring keeps the row, so that its id, and its name, are never used again.
constexpr char kRetireUser[] =
    "UPDATE users SET removed_at = ?2, password_hash = '', disabled = 1, must_change = 0 "
    "WHERE name = ?1 AND removed_at IS NULL RETURNING id";
constexpr char kSelectGroups[] =
    "SELECT name FROM user_groups WHERE user_id = ?1 ORDER BY position";
constexpr char kListUsers[] =
    "SELECT id, name, full_name, description, is_admin, disabled, removed_at, must_change, "
    "password_set_at FROM users ORDER BY name";
constexpr char kFindUser[] =
    "SELECT id, name, full_name, description, is_admin, disabled, removed_at, must_change, "
    "password_set_at, password_hash FROM users WHERE name = ?1";
constexpr char kFindUid[] = "SELECT uid FROM system_uids WHERE name = ?1";
constexpr char kInsertUid[] =
    "INSERT INTO system_uids(name, uid, first_seen) VALUES(?1, ?2, ?3) ON CONFLICT DO NOTHING";
constexpr char kRefuseUid[] = "UPDATE system_uids SET refused_uid = ?2 WHERE name = ?1";
constexpr char kConfirmUid[] =
    "INSERT INTO system_uids(name, uid, first_seen) VALUES(?1, ?2, ?3) "
    "ON CONFLICT(name) DO UPDATE SET uid = ?2, first_seen = ?3, refused_uid = NULL";
constexpr char kListUids[] =
    "SELECT name, uid, first_seen, refused_uid FROM system_uids ORDER BY name";

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

int64_t NowOr(int64_t now) { return now != 0 ? now : static_cast<int64_t>(std::time(nullptr)); }

// "2026-03-01", the local date of a time.
std::string LocalDate(int64_t when) {
  const std::time_t t = static_cast<std::time_t>(when);
  std::tm local{};
  char text[16] = "";
  if (localtime_r(&t, &local) != nullptr) std::strftime(text, sizeof text, "%Y-%m-%d", &local);
  return text;
}

std::string RetiredMessage(std::string_view name, int64_t removed_at) {
  return std::string(name) + " was removed on " + LocalDate(removed_at) +
         "; a user name is never given to another person";
}

bool HashMatches(const std::string& hash, std::string_view password) {
  return !hash.empty() && password.size() <= kMaxPasswordBytes &&
         crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
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

AccountStore::Status AccountStore::CheckAndHash(int64_t id, std::string_view name,
                                                std::string_view password,
                                                std::string_view old_password,
                                                const PasswordSet& how, std::string* hash,
                                                std::string* error) {
  if (how.policy != nullptr && !password.empty() &&
      !MeetsPasswordPolicy(*how.policy, name, password, old_password, error)) {
    return Status::kInvalid;
  }
  if (how.policy != nullptr && how.policy->history > 0 && id != 0) {
    // The current password counts as one of the last.
    std::vector<std::string> recent;
    {
      SqlStatement select = Prepare(*db_, kFindUser, "cannot read the user", error);
      if (!select.valid()) return Status::kFailed;
      select.BindText(1, name);
      StoreStatus status;
      if (select.Step(&status)) recent.emplace_back(select.ColumnText(9));
      if (!status.ok()) {
        *error = Failure("cannot read the user", status);
        return Status::kFailed;
      }
    }
    {
      SqlStatement select = Prepare(*db_, kSelectHistory, "cannot read the history", error);
      if (!select.valid()) return Status::kFailed;
      select.BindInt64(1, id);
      select.BindInt64(2, how.policy->history - 1);
      StoreStatus status;
      while (select.Step(&status)) recent.emplace_back(select.ColumnText(0));
      if (!status.ok()) {
        *error = Failure("cannot read the history", status);
        return Status::kFailed;
      }
    }
    for (const std::string& old_hash : recent) {
      if (HashMatches(old_hash, password)) {
        *error = "the password is one of the last " + std::to_string(how.policy->history) +
                 " of this account; choose another";
        return Status::kInvalid;
      }
    }
  }
  return HashPassword(password, hash, error);
}

AccountStore::Status AccountStore::StoreHash(int64_t id, const std::string& hash,
                                             const PasswordSet& how, std::string* error) {
  const char* what = "cannot change the password";
  const int keep = how.policy != nullptr ? how.policy->history - 1 : 0;
  if (keep > 0) {
    SqlStatement save = Prepare(*db_, kKeepOldHash, what, error);
    if (!save.valid()) return Status::kFailed;
    save.BindInt64(1, id);
    if (StoreStatus status = save.Run(); !status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
    }
  }
  {
    SqlStatement trim = Prepare(*db_, kTrimHistory, what, error);
    if (!trim.valid()) return Status::kFailed;
    trim.BindInt64(1, id);
    trim.BindInt64(2, keep > 0 ? keep : 0);
    if (StoreStatus status = trim.Run(); !status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
    }
  }
  SqlStatement update = Prepare(*db_, kSetHash, what, error);
  if (!update.valid()) return Status::kFailed;
  const bool must_change =
      how.policy != nullptr && !how.by_owner && how.policy->change_at_first_logon;
  update.BindText(1, hash);
  update.BindInt64(2, must_change ? 1 : 0);
  update.BindInt64(3, NowOr(how.now));
  update.BindInt64(4, id);
  if (StoreStatus status = update.Run(); !status.ok()) {
    *error = Failure(what, status);
    return Status::kFailed;
  }
  return Status::kOk;
}

std::string AccountStore::NotFoundMessage(std::string_view name) {
  int64_t id = 0;
  std::string hash;
  Account found;
  std::string ignored;
  if (Find(name, &id, &hash, &found, &ignored) == Status::kOk && found.removed_at != 0) {
    return RetiredMessage(found.name, found.removed_at);
  }
  return "no user \"" + std::string(name) + "\"";
}

AccountStore::Status AccountStore::Add(const Account& account, std::string_view password,
                                       const PasswordSet& how, std::string* error) {
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
  // A retired name is refused before the password is judged: the reason
  // that matters is the name's.
  {
    int64_t id = 0;
    std::string old_hash;
    Account found;
    Status status = Find(account.name, &id, &old_hash, &found, error);
    if (status == Status::kFailed) return status;
    if (status == Status::kOk) {
      *error = found.removed_at != 0 ? RetiredMessage(found.name, found.removed_at)
                                     : "user \"" + account.name + "\" exists already";
      return Status::kExists;
    }
  }
  std::string hash;
  if (Status status = CheckAndHash(0, account.name, password, "", how, &hash, error);
      status != Status::kOk) {
    return status;
  }
  const bool must_change =
      how.policy != nullptr && !how.by_owner && how.policy->change_at_first_logon;

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
    insert.BindInt64(7, must_change ? 1 : 0);
    insert.BindInt64(8, NowOr(how.now));
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
      // Taken since the look above (another connection).
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
                                               const PasswordSet& how, std::string* error) {
  int64_t id = 0;
  std::string old_hash;
  Account found;
  Status status = Find(name, &id, &old_hash, &found, error);
  if (status == Status::kFailed) return status;
  if (status == Status::kNotFound || found.removed_at != 0) {
    *error = NotFoundMessage(name);
    return Status::kNotFound;
  }
  std::string hash;
  status = CheckAndHash(id, found.name, password, "", how, &hash, error);
  if (status != Status::kOk) return status;
  WriteTransaction transaction(*db_);
  if (!transaction.Begin(error)) return Status::kFailed;
  status = StoreHash(id, hash, how, error);
  if (status != Status::kOk) return status;
  return transaction.Commit(error) ? Status::kOk : Status::kFailed;
}

AccountStore::Status AccountStore::Expire(std::string_view name, std::string* error) {
  const char* what = "cannot change the user";
  SqlStatement update = Prepare(*db_, kExpire, what, error);
  if (!update.valid()) return Status::kFailed;
  update.BindText(1, name);
  Status status = ChangeOne(update, name, what, error);
  if (status == Status::kNotFound) *error = NotFoundMessage(name);
  return status;
}

AccountStore::Status AccountStore::SetDisabled(std::string_view name, bool disabled,
                                               std::string* error) {
  const char* what = "cannot change the user";
  SqlStatement update = Prepare(*db_, kSetDisabled, what, error);
  if (!update.valid()) return Status::kFailed;
  update.BindInt64(1, disabled ? 1 : 0);
  update.BindText(2, name);
  Status status = ChangeOne(update, name, what, error);
  if (status == Status::kNotFound) *error = NotFoundMessage(name);
  return status;
}

AccountStore::Status AccountStore::Remove(std::string_view name, int64_t now,
                                          std::string* error) {
  const char* what = "cannot remove the user";
  WriteTransaction transaction(*db_);
  if (!transaction.Begin(error)) return Status::kFailed;
  int64_t id = 0;
  {
    SqlStatement retire = Prepare(*db_, kRetireUser, what, error);
    if (!retire.valid()) return Status::kFailed;
    retire.BindText(1, name);
    retire.BindInt64(2, NowOr(now));
    StoreStatus status;
    bool changed = false;
    while (retire.Step(&status)) {
      id = retire.ColumnInt64(0);
      changed = true;
    }
    if (!status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
    }
    if (!changed) {
      transaction.Commit(error);
      *error = NotFoundMessage(name);
      return Status::kNotFound;
    }
  }
  {
    SqlStatement drop = Prepare(*db_, kDropHistory, what, error);
    if (!drop.valid()) return Status::kFailed;
    drop.BindInt64(1, id);
    if (StoreStatus status = drop.Run(); !status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
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

namespace {

// Columns 1 to 8 of kListUsers and kFindUser.
void ReadAccountColumns(const SqlStatement& row, Account* account) {
  account->name = row.ColumnText(1);
  account->full_name = row.ColumnText(2);
  account->description = row.ColumnText(3);
  account->is_admin = row.ColumnInt64(4) != 0;
  account->disabled = row.ColumnInt64(5) != 0;
  account->removed_at = row.ColumnIsNull(6) ? 0 : row.ColumnInt64(6);
  account->must_change = row.ColumnInt64(7) != 0;
  account->password_set_at = row.ColumnInt64(8);
}

}  // namespace

AccountStore::Status AccountStore::List(bool include_removed, std::vector<Account>* accounts,
                                        std::string* error) {
  accounts->clear();
  std::vector<int64_t> ids;
  {
    SqlStatement select = Prepare(*db_, kListUsers, "cannot list users", error);
    if (!select.valid()) return Status::kFailed;
    StoreStatus status;
    while (select.Step(&status)) {
      Account account;
      ReadAccountColumns(select, &account);
      if (account.removed_at != 0 && !include_removed) continue;
      ids.push_back(select.ColumnInt64(0));
      accounts->push_back(std::move(account));
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
  ReadAccountColumns(select, account);
  *hash = select.ColumnText(9);
  return Status::kOk;
}

bool AccountStore::Exists(std::string_view name) {
  int64_t id = 0;
  std::string hash;
  Account found;
  std::string error;
  return Find(name, &id, &hash, &found, &error) == Status::kOk;
}

int AccountStore::CheckPassword(std::string_view name, std::string_view password, int64_t* id,
                                Account* found, std::string* error) {
  std::string hash;
  Status status = Find(name, id, &hash, found, error);
  if (status == Status::kFailed) return kSecBackendUnavailable;
  if (status == Status::kNotFound || found->removed_at != 0 || hash.empty()) {
    // Spend the time a real check takes; the answer is failure regardless.
    [[maybe_unused]] int never_matches =
        crypto_pwhash_str_verify(kDummyHash, password.data(), password.size());
    return kSecLogonFailure;
  }
  // A password past the limit is wrong whatever its first bytes are.
  if (!HashMatches(hash, password)) return kSecLogonFailure;
  if (found->disabled) return kSecAccountDisabled;
  return kSecOk;
}

int AccountStore::Verify(std::string_view name, std::string_view password,
                         const PasswordAging& aging, Account* account, std::string* error) {
  int64_t id = 0;
  Account found;
  if (int code = CheckPassword(name, password, &id, &found, error); code != kSecOk) return code;
  if (found.must_change) return kSecPasswordMustChange;
  if (aging.max_age_days > 0 &&
      NowOr(aging.now) - found.password_set_at >=
          static_cast<int64_t>(aging.max_age_days) * 86400) {
    return kSecPasswordExpired;
  }
  if (!LoadGroups(id, &found.groups, error)) return kSecBackendUnavailable;
  *account = std::move(found);
  return kSecOk;
}

int AccountStore::ChangePassword(std::string_view name, std::string_view old_password,
                                 std::string_view new_password, const PasswordSet& how,
                                 std::string* error) {
  int64_t id = 0;
  Account found;
  if (int code = CheckPassword(name, old_password, &id, &found, error); code != kSecOk) {
    return code;
  }
  std::string new_hash;
  PasswordSet own = how;
  own.by_owner = true;
  Status status = CheckAndHash(id, found.name, new_password, old_password, own, &new_hash, error);
  if (status == Status::kInvalid) return kSecPasswordRestriction;
  if (status != Status::kOk) return kSecBackendUnavailable;
  WriteTransaction transaction(*db_);
  if (!transaction.Begin(error)) return kSecBackendUnavailable;
  if (StoreHash(id, new_hash, own, error) != Status::kOk || !transaction.Commit(error)) {
    return kSecBackendUnavailable;
  }
  return kSecOk;
}

AccountStore::Status AccountStore::CheckSystemUid(std::string_view name, int64_t uid,
                                                  int64_t now, bool* same,
                                                  int64_t* recorded_uid, std::string* error) {
  const char* what = "cannot check the system account's uid";
  WriteTransaction transaction(*db_);
  if (!transaction.Begin(error)) return Status::kFailed;
  {
    SqlStatement insert = Prepare(*db_, kInsertUid, what, error);
    if (!insert.valid()) return Status::kFailed;
    insert.BindText(1, name);
    insert.BindInt64(2, uid);
    insert.BindInt64(3, NowOr(now));
    if (StoreStatus status = insert.Run(); !status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
    }
  }
  {
    SqlStatement select = Prepare(*db_, kFindUid, what, error);
    if (!select.valid()) return Status::kFailed;
    select.BindText(1, name);
    StoreStatus status;
    if (!select.Step(&status)) {
      *error = status.ok() ? std::string(what) : Failure(what, status);
      return Status::kFailed;
    }
    *recorded_uid = select.ColumnInt64(0);
  }
  *same = *recorded_uid == uid;
  if (!*same) {
    SqlStatement refuse = Prepare(*db_, kRefuseUid, what, error);
    if (!refuse.valid()) return Status::kFailed;
    refuse.BindText(1, name);
    refuse.BindInt64(2, uid);
    if (StoreStatus status = refuse.Run(); !status.ok()) {
      *error = Failure(what, status);
      return Status::kFailed;
    }
  }
  return transaction.Commit(error) ? Status::kOk : Status::kFailed;
}

AccountStore::Status AccountStore::ConfirmSystemUid(std::string_view name, int64_t uid,
                                                    int64_t now, std::string* error) {
  const char* what = "cannot record the system account's uid";
  SqlStatement upsert = Prepare(*db_, kConfirmUid, what, error);
  if (!upsert.valid()) return Status::kFailed;
  upsert.BindText(1, name);
  upsert.BindInt64(2, uid);
  upsert.BindInt64(3, NowOr(now));
  if (StoreStatus status = upsert.Run(); !status.ok()) {
    *error = Failure(what, status);
    return Status::kFailed;
  }
  return Status::kOk;
}

AccountStore::Status AccountStore::ListSystemUids(std::vector<SystemUid>* uids,
                                                  std::string* error) {
  uids->clear();
  SqlStatement select = Prepare(*db_, kListUids, "cannot list the system accounts", error);
  if (!select.valid()) return Status::kFailed;
  StoreStatus status;
  while (select.Step(&status)) {
    SystemUid& entry = uids->emplace_back();
    entry.name = select.ColumnText(0);
    entry.uid = select.ColumnInt64(1);
    entry.first_seen = select.ColumnInt64(2);
    entry.refused_uid = select.ColumnIsNull(3) ? -1 : select.ColumnInt64(3);
  }
  if (status.ok()) return Status::kOk;
  *error = Failure("cannot list the system accounts", status);
  return Status::kFailed;
}

}  // namespace tav
