// Checkpoints of the logs' heads with trusted time: at an interval that
// store.conf sets (time_stamp_checkpoint, daily by default) the compliance
// service has a time-stamping authority (RFC 3161, util/time_stamp.h) stamp
// a short text naming the store and each log's last record and chain hash,
// and keeps text and token in the table head_time_stamps:
//
//   tav head checkpoint 1
//   store <the store's id>
//   system_events <seq> <64 hex digits of the chain hash>
//   config_audit <seq> <hex>
//   run_history <seq> <hex>
//
// (seq 0 and zero hashes for an empty log). The authority's signature
// proves the heads existed by its time: whoever later holds the machine
// cannot cut or rewrite what a checkpoint covers, nor date a checkpoint
// back, without the check finding it.
//
// Thread safety: functions run on a connection the caller holds.
#ifndef TAV_SERVICES_FILELIB_HEAD_TIME_STAMPS_H_
#define TAV_SERVICES_FILELIB_HEAD_TIME_STAMPS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "services/filelib/store_status.h"
#include "util/sql_db.h"

namespace tav {

// The checkpoint text of the heads as they are now. REQUIRES: inside a
// transaction.
StoreStatus HeadCheckpointText(SqlDb& db, std::string* text);

// Keeps a checkpoint and its token. REQUIRES: inside a write transaction.
StoreStatus StoreHeadTimeStamp(SqlDb& db, const std::string& text, const std::string& token);

// When the last checkpoint was stamped (the token's time, milliseconds
// since 1970 UTC); 0 when there is none. REQUIRES: inside a transaction.
StoreStatus LastHeadTimeStamp(SqlDb& db, int64_t* stamped_ms);

struct HeadTimeStampReport {
  uint64_t checked = 0;       // checkpoints whose heads are in the logs
  int64_t last_stamp_ms = 0;  // the latest token time among them
  std::vector<std::string> findings;
  std::vector<std::string> notes;
};

// Checks every checkpoint: each head it names is in its log with that
// chain hash, and (with `ca_file`) its token verifies over its text and
// chains to those roots. Without `ca_file` the tokens are not checked, and
// a note says so. REQUIRES: inside a transaction.
StoreStatus CheckHeadTimeStamps(SqlDb& db, const std::string& ca_file, HeadTimeStampReport* out);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_HEAD_TIME_STAMPS_H_
