// Hash-chained record logs: the system event log, the configuration audit
// trail and the run file history are append-only tables in which every row
// carries a hash over its record and the hash of the row before it, so that a
// record changed, removed or inserted behind the library's back is found by
// VerifyChain (docs/event-log.md describes the chain).
//
//   chain(n) = BLAKE2b-256, keyed with the log's name,
//              over  n as 8 bytes little-endian || chain(n-1) || record(n)
//   chain(0) = 32 zero bytes
//
// The table chain_heads keeps each log's last sequence number and hash, so
// that removing events from the end is found too. Each appended row also
// gets its UTC time and seal (event_seal.h), and the commit sends the new
// head to the system log (head_anchor.h).
//
// Thread safety: the functions run on a connection that the caller holds
// (inside ComplianceDb::Write or Read).
#ifndef TAV_SERVICES_FILELIB_RECORD_CHAIN_H_
#define TAV_SERVICES_FILELIB_RECORD_CHAIN_H_

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "util/sql_db.h"
#include "services/filelib/store_status.h"

namespace tav {

enum class ChainedLog { kSystemEvents, kConfigAudit, kRunHistory };

// The table that holds a log; also the key of its hash.
const char* ChainedLogTable(ChainedLog log);
// "system event log", ... for messages.
const char* ChainedLogTitle(ChainedLog log);

using ChainHash = std::array<uint8_t, 32>;

// A stored chain value as a hash; false (and *out untouched) when `bytes`
// is not 32 bytes long.
bool ReadChainHash(std::string_view bytes, ChainHash* out);
// The hash as the bytes a store keeps.
inline std::string_view ChainHashBytes(const ChainHash& h) {
  return std::string_view(reinterpret_cast<const char*>(h.data()), h.size());
}

ChainHash ComputeChainHash(ChainedLog log, uint64_t seq, const ChainHash& previous,
                           std::string_view record);

// The chain the lab store builds inside PostgreSQL (lab_store_schema.h):
// HMAC-SHA-256 keyed with the log's table name, over seq as 8 bytes
// big-endian || previous || record. Its rows are marked alg 2.
ChainHash ComputeLabChainHash(ChainedLog log, uint64_t seq, const ChainHash& previous,
                              std::string_view record);
inline constexpr int kEmbeddedChainAlg = 1;
inline constexpr int kLabChainAlg = 2;

// Steps `call`, a call of one of the lab store's functions that chains a
// record of `log` and gives its (seq, chain), and notes the log's new head
// (head_anchor.h). `what` ("store a setting") names the call when the
// store answers nothing. *seq (when given) receives the record's number.
StoreStatus StepLabChainCall(SqlDb& db, SqlStatement& call, ChainedLog log, const char* what,
                             uint64_t* seq = nullptr);

// Appends `record` at the end of the log. REQUIRES: inside a write
// transaction. Stores the new sequence number in *seq when given.
StoreStatus AppendChained(SqlDb& db, ChainedLog log, std::string_view record,
                          uint64_t* seq = nullptr);

// Calls `row` with each record of the log in order until it returns false.
// REQUIRES: inside a transaction.
StoreStatus ForEachChained(SqlDb& db, ChainedLog log,
                           const std::function<bool(uint64_t seq, std::string_view record)>& row);

// As ForEachChained, from the record numbered `from` on (a page of a
// listing). REQUIRES: inside a transaction.
StoreStatus ForEachChainedFrom(SqlDb& db, ChainedLog log, uint64_t from,
                               const std::function<bool(uint64_t seq, std::string_view record)>& row);

// The number of records in the log. REQUIRES: inside a transaction.
StoreStatus CountChained(SqlDb& db, ChainedLog log, uint64_t* count);
// The sequence number of the last record (0 for an empty log): a quick
// estimate of the count. REQUIRES: inside a transaction.
StoreStatus LastChainedSeq(SqlDb& db, ChainedLog log, uint64_t* seq);

struct ChainProblem {
  enum Kind {
    kChanged,    // the record (or the hash of the one before) was changed
    kMissing,    // records with these numbers are gone
    kTruncated,  // the log ends before its recorded last record
    kBadHead,    // the recorded last hash does not match the log
  };
  Kind kind;
  uint64_t seq;       // the record concerned (kMissing: the first missing)
  uint64_t seq_last;  // kMissing: the last missing
  std::string text;   // one line for a person
};

struct ChainReport {
  uint64_t count = 0;      // records present
  uint64_t last_seq = 0;   // sequence number of the last record
  ChainHash head{};        // the hash of the last record
  std::vector<ChainProblem> problems;
  bool ok() const { return problems.empty(); }
};

// Walks the whole log and checks every link. `describe` (optional) names a
// record in the problem texts ("event 12 (2026-12-06 10:00:00, bob, ...)").
// REQUIRES: inside a transaction.
StoreStatus VerifyChain(SqlDb& db, ChainedLog log, ChainReport* report,
                        const std::function<std::string(uint64_t, std::string_view)>& describe =
                            nullptr);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_RECORD_CHAIN_H_
