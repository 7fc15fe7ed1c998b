// Forward-secure sealing of the hash-chained logs (docs/event-log.md).
//
// A sealing key, "seal.key" beside the compliance database, evolves by a
// one-way step at the start of every interval (15 minutes unless chosen
// otherwise); the key of the interval before is overwritten. Every record
// appended carries a tag made with the key of the interval it was appended
// in, over its log, sequence number, UTC time and chain hash, so the last
// head of every interval is sealed with that interval's key. Whoever takes
// the machine later holds only the current key: he can append and seal new
// records, but cannot forge, reorder or redate one sealed in an earlier
// interval. The verification key, printed once by `tavsec events
// setup-keys`, derives every interval's key.
//
// Thread safety: every function may be called from any thread. The key
// evolves only inside a write transaction of the database, whose lock puts
// processes one after the other.
#ifndef TAV_SERVICES_FILELIB_EVENT_SEAL_H_
#define TAV_SERVICES_FILELIB_EVENT_SEAL_H_

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/record_chain.h"
#include "util/sql_db.h"
#include "services/filelib/store_status.h"

namespace tav {

inline constexpr char kSealKeyFileName[] = "seal.key";
inline constexpr int64_t kDefaultSealInterval = 15 * 60;  // seconds

using SealKey = std::array<uint8_t, 32>;

// What derives every interval's key: the seed, when the first interval
// began (Unix seconds) and the length of an interval. Keys of version 2
// (made since intervals are sealed) start from a key derived from the seed,
// so that the key file never holds the seed itself, and every interval of
// theirs must carry an interval seal (interval_seals.h). Version 1 keys
// start from the seed. Version 3 keys also seal the settings
// (service_keys.h): a store made with one must have its settings sealed
// with the key the seed derives.
inline constexpr int kSealKeyVersion = 3;
struct VerificationKey {
  SealKey seed{};
  int64_t start = 0;
  int64_t interval = kDefaultSealInterval;
  int version = 1;
};

// "<64 hex digits>/<start>-<interval>", and "/<version>" after it from
// version 2 on.
std::string FormatVerificationKey(const VerificationKey& key);
bool ParseVerificationKey(std::string_view text, VerificationKey* key);

// Overwrites a key in memory (not optimised away).
void WipeSealKey(SealKey* key);

// The key of interval 0: the seed (version 1), or derived from it.
SealKey FirstSealKey(const VerificationKey& key);
// The key of interval `epoch` (0: the first), derived from the seed.
SealKey DeriveSealKey(const VerificationKey& key, uint64_t epoch);
// One evolution step: the key of the next interval.
SealKey NextSealKey(const SealKey& key, uint64_t next_epoch);

// The interval that `utc_ms` (milliseconds since 1970, UTC) falls in; 0
// before the first.
uint64_t SealEpochAt(int64_t start, int64_t interval, int64_t utc_ms);

// The tag that seals the end of interval `epoch`: the heads of the logs as
// interval_seals.h encodes them.
SealKey IntervalSealTag(const SealKey& key, uint64_t epoch, std::string_view heads);

// The tag that seals one record.
SealKey SealTag(const SealKey& key, ChainedLog log, uint64_t seq, int64_t utc_ms,
                const ChainHash& chain);

// Makes a new sealing key in `folder` (replacing one only when `replace`)
// and returns its verification key. `interval` is in seconds (at least 1).
StoreStatus CreateSealingKey(const std::string& folder, int64_t interval, bool replace,
                             VerificationKey* verification);

// The state of the sealing key file, as stored.
struct SealKeyState {
  uint64_t key_id = 0;  // tells keys made by different setups apart
  int64_t start = 0;
  int64_t interval = 0;
  uint64_t epoch = 0;
  SealKey key{};
};
// kNotFound when the folder has no sealing key.
StoreStatus ReadSealKey(const std::string& folder, SealKeyState* state);
// The id that a verification key's seed gives its key file.
uint64_t SealKeyId(const SealKey& seed);

// What AppendChained stores beside a record: its UTC time and, when the
// store has a sealing key, the interval and the tag.
struct RecordSeal {
  int64_t utc_ms = 0;
  std::optional<uint64_t> epoch;
  SealKey tag{};
};

// Seals one record about to be appended to the database of `db`: takes the
// time and, when there is a sealing key, evolves it to the current interval
// first (durably, erasing the old key). REQUIRES: inside a write
// transaction.
StoreStatus SealRecord(SqlDb& db, ChainedLog log, uint64_t seq, const ChainHash& chain,
                       RecordSeal* seal);

// Steps the sealing key of the database of `db` to the interval now
// running without appending a record, so that a quiet machine does not keep
// the key of an interval long past; `epoch` receives the interval. kNotFound
// when the store has no sealing key. REQUIRES: inside a write transaction.
StoreStatus EvolveSealingKey(SqlDb& db, uint64_t* epoch);

// The time now in milliseconds since 1970 (UTC). Tests may set a clock.
int64_t SealClockNow();
void SetSealClockForTesting(std::function<int64_t()> clock);

// One finding of a sealed or timed verification.
struct SealProblem {
  uint64_t seq;      // the first record concerned
  std::string text;  // one line for a person
};

struct SealReport {
  uint64_t count = 0;           // records read
  uint64_t unsealed_before = 0; // records stored before sealing began
  uint64_t sealed_through = 0;  // last record sealed in an interval that has ended
  uint64_t last_epoch = 0;      // interval of that record
  std::vector<SealProblem> problems;
  std::vector<std::string> notes;  // findings that are not damage
  bool ok() const { return problems.empty(); }
};

// Checks every record's tag with `key` (or, without a key, only the times):
// tags, their intervals against the records' times and order, time that
// runs backwards by more than kClockTolerance. `current_epoch` is the
// interval of the key on the machine (records of it are not yet sealed for
// good). `describe` names a record. REQUIRES: inside a transaction.
// `local_time` (optional) gives a record's own local date as milliseconds of
// wall-clock time since 1970; local dates that run backwards while the UTC
// times do not (another TZ, a changed clock) are reported too, except by the
// amount the machine's time zone turned back between them (the end of
// summer time).
inline constexpr int64_t kClockToleranceMs = 5000;
using LocalTimeOf = std::function<std::optional<int64_t>(std::string_view record)>;
StoreStatus VerifySeals(SqlDb& db, ChainedLog log, const VerificationKey* key,
                        uint64_t current_epoch, SealReport* report,
                        const std::function<std::string(uint64_t, std::string_view)>& describe,
                        const LocalTimeOf& local_time = nullptr);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_EVENT_SEAL_H_
