// Interval seals: proof that a log was not cut short at an interval's end.
//
// A record's own seal (event_seal.h) proves the record; it cannot prove
// that nothing came after it, since an interval in which nothing happened
// leaves no record. So whenever the sealing key steps past intervals, the
// store first keeps one row for every interval that ended: the last
// sequence number and chain hash of each of the three logs at that moment,
// tagged with that interval's key, which is then erased. Whoever takes the
// machine later holds only the current key: he cannot remove the seal of
// an ended interval without leaving a gap, nor make one that names fewer
// records.
//
//   interval_seals(key_id, epoch, heads, tag), one row per key and interval
//   heads = for the system event log, the configuration audit trail and the
//           run file history in turn: seq (8 bytes little-endian) || chain
//
// Thread safety: the functions run on a connection the caller holds, inside
// its transaction.
#ifndef TAV_SERVICES_FILELIB_INTERVAL_SEALS_H_
#define TAV_SERVICES_FILELIB_INTERVAL_SEALS_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/event_seal.h"
#include "services/filelib/record_chain.h"

namespace tav {

// Seals the intervals [from, to) of the key `key_id` (SealKeyId) with the
// logs' heads as they stand; `from_key` is the key of interval `from`. A
// key made anew (setup-keys --force) seals under its own id. Fails, writing nothing, when one
// of them is sealed already: the key file was put back to an older copy.
// Does nothing on the lab store (its server keeps the chain). REQUIRES:
// inside a write transaction.
StoreStatus WriteIntervalSeals(SqlDb& db, uint64_t key_id, uint64_t from, uint64_t to,
                               const SealKey& from_key);

// Checks the interval seals against `key` and against the log `log`: every
// interval from the key's first (or, for a version 1 key, from the first
// one sealed) up to `reached` must be sealed, each seal must match its
// interval's key, and the records each names must be in the log as they
// were. `reached` is the interval the key on the machine has reached (a
// seal of it or later then says the key file was put back), or, when
// `reached_is_key` is false, a time given by the verifier (a copy checked
// elsewhere may hold later seals). Findings name the first record
// concerned; `notes` get what is not damage. REQUIRES: inside a
// transaction.
StoreStatus CheckIntervalSeals(SqlDb& db, ChainedLog log, const VerificationKey& key,
                               uint64_t reached, bool reached_is_key,
                               std::vector<SealProblem>* problems, std::vector<std::string>* notes);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_INTERVAL_SEALS_H_
