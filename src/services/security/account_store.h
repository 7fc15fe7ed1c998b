// AccountStore: the local backend's accounts, in the SQLite database
// "accounts.db" of the data directory, or in the same tables of any other
// SqlDb connection handed to FromConnection.
//
// Each account has a name (unique without regard to ASCII case), full name,
// description, groups in the order they were given, an administrator flag, a
// disabled flag and an Argon2id password hash (libsodium crypto_pwhash_str
// with the INTERACTIVE limits, about a tenth of a second per check). The
// database file is created whole or not at all (util/atomic_create.h), mode
// 0600, or 0640 in a group's shared store so that the group's members can
// check passwords; a wider mode is narrowed to that when the file is opened
// for writing (account_store_sqlite.cc). The schema is written up in
// docs/security.md.
//
// The statements are written once for every engine; only creating and
// checking the SQLite file is SQLite's own. Names compare without regard to
// case through the column's type, not the statements: COLLATE NOCASE in
// SQLite; another engine's schema must do the same (PostgreSQL: citext), or
// "Dana" and "dana" become two accounts.
//
// Thread safety: an AccountStore object is used by one thread at a time;
// several objects (threads, processes) may use one database (SQLite locking,
// with a busy timeout).
// Ownership: the object owns its database connection.
#ifndef TAV_SERVICES_SECURITY_ACCOUNT_STORE_H_
#define TAV_SERVICES_SECURITY_ACCOUNT_STORE_H_

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tav {

class SqlDb;

struct Account {
  std::string name;
  std::string full_name;
  std::string description;
  std::vector<std::string> groups;
  bool is_admin = false;
  bool disabled = false;
};

class AccountStore {
 public:
  enum class Mode {
    kReadOnly,   // fails with kMissing when the database does not exist
    kReadWrite,  // likewise
    kCreate,     // creates the database (not its folder) when missing
  };
  enum class Status { kOk, kMissing, kNotFound, kExists, kInvalid, kFailed };

  // Opens the database at `path`. On success stores the store in *store.
  // Otherwise returns kMissing (no file, and not kCreate) or kFailed, with a
  // message in *error.
  static Status Open(const std::string& path, Mode mode,
                     std::unique_ptr<AccountStore>* store, std::string* error);
  // Takes over an open connection whose account tables exist (another
  // engine's, or a SQLite file opened elsewhere). Checks that the tables can
  // be read; kFailed with a message in *error when not.
  static Status FromConnection(std::unique_ptr<SqlDb> db,
                               std::unique_ptr<AccountStore>* store, std::string* error);

  ~AccountStore();
  AccountStore(const AccountStore&) = delete;
  AccountStore& operator=(const AccountStore&) = delete;

  // Adds an account. kInvalid for a bad name, group, text or an empty
  // password; kExists when the name is taken (in any case).
  Status Add(const Account& account, std::string_view password, std::string* error);
  Status SetPassword(std::string_view name, std::string_view password,
                     std::string* error);
  Status SetDisabled(std::string_view name, bool disabled, std::string* error);
  Status Remove(std::string_view name, std::string* error);
  // Every account, ordered by name.
  Status List(std::vector<Account>* accounts, std::string* error);

  // Checks a password; a code of result_codes.h. kSecLogonFailure for an
  // unknown name costs as much time as a wrong password. The disabled flag is
  // reported (kSecAccountDisabled) only with the right password. On kSecOk
  // fills *account.
  int Verify(std::string_view name, std::string_view password, Account* account,
             std::string* error);

  // True when an account of that name (in any case) exists; false also when
  // the database cannot be read.
  bool Exists(std::string_view name);

  // Checks of the texts Add accepts; a message in *error when not.
  static bool ValidAccountName(std::string_view name, std::string* error);
  static bool ValidGroupName(std::string_view group, std::string* error);

 private:
  explicit AccountStore(std::unique_ptr<SqlDb> db);

  Status Find(std::string_view name, int64_t* id, std::string* hash,
              Account* account, std::string* error);
  bool LoadGroups(int64_t id, std::vector<std::string>* groups, std::string* error);
  Status HashPassword(std::string_view password, std::string* hash, std::string* error);

  std::unique_ptr<SqlDb> db_;
};

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_ACCOUNT_STORE_H_
