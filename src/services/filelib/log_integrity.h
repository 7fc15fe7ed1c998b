// One log's whole verification: its hash chain, and when given its seals
// (with the verification key) and the heads the system log kept. Used by
// `tavsec events verify`; the first damaged record is the lowest numbered
// one any check names.
//
// Thread safety: runs on a connection the caller holds (inside
// ComplianceDb::Read).
#ifndef TAV_SERVICES_FILELIB_LOG_INTEGRITY_H_
#define TAV_SERVICES_FILELIB_LOG_INTEGRITY_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "services/filelib/event_seal.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/record_chain.h"

namespace tav {

struct IntegrityOptions {
  const VerificationKey* key = nullptr;     // check the seals
  const ChainAnchors* anchors = nullptr;    // check against these heads
  uint64_t current_epoch = 0;               // interval of the key on the machine
  // False when current_epoch is a time the verifier gave (a copy checked
  // elsewhere), not the interval the machine's key has reached.
  bool epoch_from_key = true;
  LocalTimeOf local_time;                   // a record's own local date
  // Whether a stored record reads as a record of its log; one that does not
  // is a finding (nothing can show it, so nothing may pass it as intact).
  std::function<bool(ChainedLog, std::string_view)> readable;
  // The roots a time-stamping authority's tokens must chain to (a PEM
  // file), to check the stamped head checkpoints; "" takes time_stamp_ca
  // from the store's store.conf.
  std::string tsa_ca;
};

struct IntegrityFinding {
  uint64_t seq;  // the first record concerned
  std::string text;
};

struct LogIntegrity {
  ChainReport chain;
  SealReport seals;
  std::vector<IntegrityFinding> findings;  // every problem, by record number
  bool ok() const { return findings.empty(); }
  // The lowest record number a finding names (0 when intact).
  uint64_t FirstDamaged() const;
};

StoreStatus CheckLogIntegrity(SqlDb& db, ChainedLog log, const IntegrityOptions& options,
                              const std::function<std::string(uint64_t, std::string_view)>& describe,
                              LogIntegrity* out);

// The interval of the sealing key kept beside the database `db_path`, or,
// when it cannot be read, the interval the clock is in now.
uint64_t CurrentSealEpoch(const std::string& db_path, const VerificationKey& key,
                          std::string* note);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_LOG_INTEGRITY_H_
