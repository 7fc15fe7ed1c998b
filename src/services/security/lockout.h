// LockoutStore: failed authentications per account and the accounts they
// have locked, in the SQLite database "lockout.db" of the data directory.
//
// Every process that checks passwords records its failures here, so a lock
// holds across processes: the login dialog, re-authentication, signatures
// and `tavsec user check` all count towards it and are all refused while it
// lasts. The database is group-writable in a group's shared store (0660),
// since each member's processes write their own failures.
//
// Names are not stored: an account is keyed by the BLAKE2b hash of its name
// in lower-case ASCII, because a typed name may be a password typed into the
// wrong field. Unknown names are counted and locked like accounts, so that a
// lock tells nobody which names exist. Failures older than the policy's
// interval and expired locks are deleted as they are met.
//
// Times are seconds since the epoch, passed in by the caller (tests use
// their own clock).
//
// Thread safety: an object is used by one thread at a time; any number of
// objects (threads, processes) may use one database.
// Ownership: the object owns its connection.
#ifndef TAV_SERVICES_SECURITY_LOCKOUT_H_
#define TAV_SERVICES_SECURITY_LOCKOUT_H_

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "services/security/security_config.h"
#include "util/store_status.h"

namespace tav {

inline constexpr char kLockoutDbFile[] = "lockout.db";

class SqliteDb;

class LockoutStore {
 public:
  // Opens the database at `path`, creating it (whole, with the store's file
  // mode) when it is missing.
  static StoreStatus Open(const std::string& path, std::unique_ptr<LockoutStore>* out);
  // The database of the data directory `data_dir`.
  static StoreStatus OpenIn(const std::string& data_dir, std::unique_ptr<LockoutStore>* out);

  ~LockoutStore();
  LockoutStore(const LockoutStore&) = delete;
  LockoutStore& operator=(const LockoutStore&) = delete;

  // Sets *locked when `name` is locked at `now`.
  StoreStatus IsLocked(std::string_view name, int64_t now, bool* locked);
  // Records a failure of `name` at `now`. When it makes `policy.deny`
  // failures within the interval the account is locked (until now +
  // unlock_seconds, or until unlocked) and *locked_now is set.
  StoreStatus RecordFailure(std::string_view name, int64_t now, const LockoutPolicy& policy,
                            bool* locked_now);
  // Forgets the failures of `name` (after a successful authentication).
  StoreStatus RecordSuccess(std::string_view name);
  // Ends the lock of `name` and forgets its failures; *was_locked says
  // whether it was locked at `now`.
  StoreStatus Unlock(std::string_view name, int64_t now, bool* was_locked);

 private:
  explicit LockoutStore(std::unique_ptr<SqliteDb> db);
  StoreStatus LockedLocked(std::string_view key, int64_t now, bool* locked);

  std::unique_ptr<SqliteDb> db_;
};

// What GuardedAuthentication found out besides its code.
struct GuardOutcome {
  bool locked_now = false;  // this failure locked the account
  bool refused_locked = false;  // refused unchecked: the account was locked
};

// Runs `check` (a password check returning a code of result_codes.h) for
// `name` under the lockout policy of `config`, at `now`:
// - while `name` is locked, returns kSecAccountLockedOut without calling it;
// - a kSecLogonFailure counts as a failure (and may lock the account);
// - kSecOk forgets the earlier failures.
// A lockout database that cannot be read or written fails closed:
// kSecBackendUnavailable with the reason in *detail. With locking off
// (deny 0) it only calls `check`.
int GuardedAuthentication(const SecurityConfig& config, const std::string& name, int64_t now,
                          const std::function<int()>& check, GuardOutcome* outcome,
                          std::string* detail);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_LOCKOUT_H_
