#include "services/filelib/log_integrity.h"

#include <algorithm>

#include "services/filelib/compliance_db.h"
#include "services/filelib/interval_seals.h"
#include "util/atomic_create.h"

namespace tav {

uint64_t LogIntegrity::FirstDamaged() const {
  uint64_t first = 0;
  for (const IntegrityFinding& f : findings) {
    if (first == 0 || f.seq < first) first = f.seq;
  }
  return first;
}

StoreStatus CheckLogIntegrity(SqlDb& db, ChainedLog log, const IntegrityOptions& options,
                              const std::function<std::string(uint64_t, std::string_view)>& describe,
                              LogIntegrity* out) {
  *out = LogIntegrity();
  StoreStatus status = VerifyChain(db, log, &out->chain, describe);
  if (!status.ok()) return status;
  for (const ChainProblem& p : out->chain.problems) out->findings.push_back({p.seq, p.text});
  if (options.readable) {
    status = ForEachChained(db, log, [&](uint64_t seq, std::string_view record) {
      if (!options.readable(log, record)) {
        out->findings.push_back({seq, "record " + std::to_string(seq) +
                                          " cannot be read: its bytes are not a record of the " +
                                          ChainedLogTitle(log)});
      }
      return true;
    });
    if (!status.ok()) return status;
  }
  // Without a key the times are still checked.
  status = VerifySeals(db, log, options.key, options.current_epoch, &out->seals, describe,
                       options.local_time);
  if (!status.ok()) return status;
  for (const SealProblem& p : out->seals.problems) out->findings.push_back({p.seq, p.text});
  if (options.key != nullptr) {
    std::vector<SealProblem> gaps;
    status = CheckIntervalSeals(db, log, *options.key, options.current_epoch,
                                options.epoch_from_key, &gaps, &out->seals.notes);
    if (!status.ok()) return status;
    for (const SealProblem& p : gaps) out->findings.push_back({p.seq, p.text});
  }
  if (options.anchors != nullptr) {
    static const std::map<uint64_t, ChainHash> kNone;
    auto it = options.anchors->heads.find(log);
    std::vector<AnchorProblem> problems;
    status = CheckAnchors(db, log, it == options.anchors->heads.end() ? kNone : it->second,
                          &problems, describe);
    if (!status.ok()) return status;
    for (const AnchorProblem& p : problems) out->findings.push_back({p.seq, p.text});
    // Never "the last one wins": one of two heads for a record is false.
    auto conflicts = options.anchors->conflicts.find(log);
    if (conflicts != options.anchors->conflicts.end()) {
      for (uint64_t seq : conflicts->second) {
        out->findings.push_back(
            {seq, "the system log holds two different heads for record " + std::to_string(seq) +
                      ", both sent by the store's writer: the log was rewritten after record " +
                      std::to_string(seq) + " was first stored"});
      }
    }
  }
  // In the order of the log, so that the first line names the first damage.
  std::stable_sort(out->findings.begin(), out->findings.end(),
                   [](const IntegrityFinding& a, const IntegrityFinding& b) { return a.seq < b.seq; });
  return StoreStatus::Ok();
}

uint64_t CurrentSealEpoch(const std::string& db_path, const VerificationKey& key,
                          std::string* note) {
  SealKeyState state;
  const uint64_t now = SealEpochAt(key.start, key.interval, SealClockNow());
  // Read under the store's write lock where it can be taken: a writer steps
  // the key and commits the seals of the intervals it ended in one hold of
  // that lock, so the seals read afterwards reach the interval read here.
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::GetAt(db_path, &db, ComplianceDb::IfMissing::kFail);
  auto read = [&](SqlDb&) { return ReadSealKey(FolderOf(db_path), &state); };
  if (status.ok()) status = db->Write(read);
  if (!status.ok() && status.code() != StoreStatus::kNotFound) {
    status = ReadSealKey(FolderOf(db_path), &state);
  }
  if (!status.ok()) {
    *note = "the sealing key on this machine cannot be read (" + status.message() +
            "); records of the interval now running count as not yet sealed";
    return now;
  }
  if (state.key_id != SealKeyId(key.seed)) {
    *note = "the sealing key on this machine was not made with this verification key";
    return now;
  }
  // Whoever reads the machine's key can seal records of its interval, so
  // only the intervals before it are sealed for good.
  return state.epoch;
}

}  // namespace tav
