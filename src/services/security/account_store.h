// AccountStore: the local backend's accounts, in the SQLite database
// "accounts.db" of the data directory, or in the same tables of any other
// SqlDb connection handed to FromConnection.
//
// Each account has a name (unique without regard to ASCII case), full name,
// description, groups in the order they were given, an administrator flag, a
// disabled flag and an Argon2id password hash (libsodium crypto_pwhash_str
// with the INTERACTIVE limits, about a tenth of a second per check), the
// time its password was set, whether it must be changed at the next logon,
// and the hashes of the passwords before it (the policy's history).
//
// Names are never given to another person: removing an account retires it.
// Its name, full name, groups and the time of removal stay; its password
// hashes go; it can never log on again, and Add refuses its name in any
// case. Readers of old records still find who the name was.
//
// Times are seconds since the epoch, passed in by the caller (a `now` of 0
// means the current time), so that tests control the clock. The
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

#include "services/security/security_config.h"

namespace tav {

class SqlDb;

struct Account {
  std::string name;
  std::string full_name;
  std::string description;
  std::vector<std::string> groups;
  bool is_admin = false;
  bool disabled = false;
  // Filled by reads; Add ignores them.
  int64_t removed_at = 0;       // when the account was retired; 0 while in use
  bool must_change = false;     // the password must be changed at the next logon
  int64_t password_set_at = 0;  // when the password was set
};

// How a password is set (Add, SetPassword, ChangePassword).
struct PasswordSet {
  int64_t now = 0;  // 0: the current time
  // The rules a new password must meet (password_policy.h, plus the
  // history), or null for none: setup and test fixtures.
  const PasswordPolicy* policy = nullptr;
  // The account's own user sets it. Otherwise (an administrator) the policy
  // may demand a change at the next logon.
  bool by_owner = false;
};

// When the password was last set, judged against the maximum age.
struct PasswordAging {
  int64_t now = 0;       // 0: the current time
  int max_age_days = 0;  // 0: passwords never expire
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
  // password, or one the policy refuses (the reason in *error); kExists
  // when the name is taken (in any case), by an account in use or a
  // retired one ("dave was removed on 2026-03-01; ...").
  Status Add(const Account& account, std::string_view password, std::string* error) {
    return Add(account, password, PasswordSet(), error);
  }
  Status Add(const Account& account, std::string_view password, const PasswordSet& how,
             std::string* error);
  // Sets an account's password as an administrator does, without the old
  // one. kInvalid when the policy refuses it (also one of the history).
  Status SetPassword(std::string_view name, std::string_view password, std::string* error) {
    return SetPassword(name, password, PasswordSet(), error);
  }
  Status SetPassword(std::string_view name, std::string_view password, const PasswordSet& how,
                     std::string* error);
  // Demands a change of the password at the account's next logon.
  Status Expire(std::string_view name, std::string* error);
  Status SetDisabled(std::string_view name, bool disabled, std::string* error);
  // Retires the account (see above). kNotFound for an unknown or retired one.
  Status Remove(std::string_view name, std::string* error) { return Remove(name, 0, error); }
  Status Remove(std::string_view name, int64_t now, std::string* error);
  // The accounts in use, ordered by name; with `include_removed` the
  // retired ones too.
  Status List(std::vector<Account>* accounts, std::string* error) {
    return List(false, accounts, error);
  }
  Status List(bool include_removed, std::vector<Account>* accounts, std::string* error);

  // Checks a password; a code of result_codes.h. kSecLogonFailure for an
  // unknown or retired name costs as much time as a wrong password. What
  // is wrong with the account itself is reported only with the right
  // password, in this order: kSecAccountDisabled, kSecPasswordMustChange,
  // kSecPasswordExpired (past `aging`'s maximum age). On kSecOk fills
  // *account.
  int Verify(std::string_view name, std::string_view password, Account* account,
             std::string* error) {
    return Verify(name, password, PasswordAging(), account, error);
  }
  int Verify(std::string_view name, std::string_view password, const PasswordAging& aging,
             Account* account, std::string* error);

  // The user's own change of a password at logon: checks the old password
  // as Verify does (except that a password that must change, or has
  // expired, may be changed), then the new one against how.policy, and
  // sets it. kSecOk; kSecLogonFailure, kSecAccountDisabled as Verify;
  // kSecPasswordRestriction with the policy's reason in *error;
  // kSecBackendUnavailable.
  int ChangePassword(std::string_view name, std::string_view old_password,
                     std::string_view new_password, const PasswordSet& how, std::string* error);

  // True when an account of that name (in any case) exists or existed
  // (retired names stay taken); false also when the database cannot be read.
  bool Exists(std::string_view name);

  // Compares a system account's uid (pam backend) with the one first seen
  // under its name; names are compared exactly, as the system does. A name
  // never seen is recorded with `uid`. kOk with *same true when `uid` is
  // the recorded one (*recorded_uid); otherwise the refused uid is noted
  // for the administrator (ListSystemUids).
  Status CheckSystemUid(std::string_view name, int64_t uid, int64_t now, bool* same,
                        int64_t* recorded_uid, std::string* error);
  // Records `uid` as the name's uid from now on, after an administrator
  // has made sure that the name still names the same person.
  Status ConfirmSystemUid(std::string_view name, int64_t uid, int64_t now, std::string* error);
  struct SystemUid {
    std::string name;
    int64_t uid = 0;
    int64_t first_seen = 0;
    int64_t refused_uid = -1;  // the last other uid refused; -1 for none
  };
  Status ListSystemUids(std::vector<SystemUid>* uids, std::string* error);

  // Checks of the texts Add accepts; a message in *error when not.
  static bool ValidAccountName(std::string_view name, std::string* error);
  static bool ValidGroupName(std::string_view group, std::string* error);

 private:
  // The stored password of `name` checked as a logon checks it: kSecOk, or
  // why not (no such account, retired, wrong, disabled, store failure),
  // the time of a real check spent whatever the answer. *id and *found
  // describe the account on kSecOk.
  int CheckPassword(std::string_view name, std::string_view password, int64_t* id,
                    Account* found, std::string* error);
  explicit AccountStore(std::unique_ptr<SqlDb> db);

  Status Find(std::string_view name, int64_t* id, std::string* hash,
              Account* account, std::string* error);
  bool LoadGroups(int64_t id, std::vector<std::string>* groups, std::string* error);
  Status HashPassword(std::string_view password, std::string* hash, std::string* error);
  // The policy's checks of a new password for the account `id` (0 for a
  // new account), and its hash. kInvalid with the reason.
  Status CheckAndHash(int64_t id, std::string_view name, std::string_view password,
                      std::string_view old_password, const PasswordSet& how, std::string* hash,
                      std::string* error);
  // Stores a new hash for account `id`, keeping the one it replaces in
  // the history. REQUIRES: inside a write transaction.
  Status StoreHash(int64_t id, const std::string& hash, const PasswordSet& how,
                   std::string* error);
  // "no user "erin"", or the retirement of that name.
  std::string NotFoundMessage(std::string_view name);

  std::unique_ptr<SqlDb> db_;
};

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_ACCOUNT_STORE_H_
