#include "service/interval_sealer.h"

#include <algorithm>
#include <memory>

#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/log_output.h"
#include "util/data_dir.h"

namespace tav::service {
namespace {

// Without a key (or a store) the sealer looks again after this long: a key
// made by `tavsec events setup-keys` is taken up within it.
constexpr std::chrono::milliseconds kIdleLook{30'000};
// A step is taken this long after the interval's end, so that the clock
// has certainly passed it.
constexpr int64_t kAfterEndMs = 50;

}  // namespace

std::chrono::milliseconds IntervalSealer::SealIfDue() {
  // Nothing is opened, let alone made, in a store without a sealing key.
  DataDirChoice dir;
  if (!LocateDataDir(&dir).ok()) return kIdleLook;
  SealKeyState state;
  if (!ReadSealKey(dir.path, &state).ok()) return kIdleLook;
  WipeSealKey(&state.key);
  const int64_t now = SealClockNow();
  const uint64_t epoch = SealEpochAt(state.start, state.interval, now);
  if (epoch > state.epoch) {
    std::shared_ptr<ComplianceDb> db;
    if (!ComplianceDb::GetAt(dir.path + "/" + kComplianceDbFileName, &db,
                             ComplianceDb::IfMissing::kFail)
             .ok()) {
      return kIdleLook;
    }
    uint64_t reached = 0;
    const StoreStatus status = db->Write([&reached](SqlDb& c) {
      return EvolveSealingKey(c, &reached);
    });
    if (!status.ok()) {
      LogLine("the sealing key could not be stepped on: " + status.message());
      return kIdleLook;
    }
  }
  const int64_t next_end_ms =
      (state.start + static_cast<int64_t>(epoch + 1) * state.interval) * 1000 + kAfterEndMs;
  return std::clamp(std::chrono::milliseconds(next_end_ms - now), std::chrono::milliseconds(10),
                    kIdleLook);
}

}  // namespace tav::service
