// The lab store's schema on PostgreSQL: the compliance database's tables
// (as in the embedded store) in one schema, owned by the administrative role
// that creates them, plus the functions through which workstations append
// to the logs and change the settings (docs/lab-store.md).
//
// The hash chains are built inside the database. A workstation's append
// (tav_log) takes the chain lock if no other client holds it, chains the
// records that wait and appends its own at the end, in its own transaction;
// when another client holds the lock, the record is stored as waiting and
// that client's next pass takes it. A workstation that appends many records
// at once stores most of them as waiting itself, with a plain insert into
// pending_appends, and calls tav_log now and then. Nobody waits for the
// lock through another's commit, so concurrent commits share their flushes,
// and one pass chains the records of many appends with one insert per log.
// A reader first chains whatever still waits (tav_flush), so it sees every
// committed append in the logs. Records are chained with
//
//   chain(n) = HMAC-SHA-256, keyed with the log's table name,
//              over  n as 8 bytes big-endian || chain(n-1) || record(n)
//
// (alg 2); records copied from an embedded store keep their own chain and
// seal (alg 1) and the chain continues from them.
//
// The workstation role may read, call those functions, store a waiting
// record (its log and bytes: the id and time are the server's) and edit the
// run list; it may not write a log, the chain heads or the settings
// directly, nor change or remove a waiting record.
#ifndef TAV_SERVICES_FILELIB_LAB_STORE_SCHEMA_H_
#define TAV_SERVICES_FILELIB_LAB_STORE_SCHEMA_H_

#include <cstddef>
#include <string>
#include <vector>

#include "services/filelib/record_chain.h"
#include "services/filelib/store_config.h"
#include "util/pg_db.h"
#include "util/store_status.h"

namespace tav {

// 4: the insert check of waiting records is folded into the trigger, and
// the store takes the system event codes of this version.
// 5: the store takes "Audit Trail Reviewed" (19).
inline constexpr int kLabStoreSchemaVersion = 5;

// The code of a log in pending_appends.
inline int LabLogCode(ChainedLog log) {
  switch (log) {
    case ChainedLog::kSystemEvents: return 1;
    case ChainedLog::kConfigAudit: return 2;
    case ChainedLog::kRunHistory: return 3;
  }
  return 0;
}

// The statement that stores `rows` records (1 to kMaxWaitingPerInsert) as
// waiting, with parameters log code and bytes for each: ?1, ?2, ?3, ...
inline constexpr size_t kMaxWaitingPerInsert = 32;
const char* WaitingInsertSql(size_t rows);

struct LabStoreRoles {
  // The role workstations log in as; empty: grant nothing (a store used
  // by its owner alone, as in tests).
  std::string workstation;
};

// Creates the schema, tables and functions (those that exist are kept;
// the functions are replaced by this version's) and grants the workstation
// role its rights. Runs as the administrative role, which owns the result.
StoreStatus InitLabStore(PgDb& db, const LabStoreRoles& roles);

// Connects to the lab store that `config` names, with its schema and
// timeouts.
StoreStatus ConnectLabStore(const StoreConfig& config, std::unique_ptr<PgDb>* out);

// What each role may do in the store: its owner (the administrative role)
// and every role granted a workstation's rights, one line each, with any
// right beyond a workstation's named as a warning.
StoreStatus DescribeLabStoreRoles(PgDb& db, std::vector<std::string>* lines);

// Ok when the connection's schema holds a store of this version; kForeign
// with what an administrator does about it otherwise.
StoreStatus CheckLabStore(PgDb& db);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_LAB_STORE_SCHEMA_H_
