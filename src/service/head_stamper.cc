#include "service/head_stamper.h"

#include <algorithm>
#include <memory>
#include <string>

#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/head_time_stamps.h"
#include "services/filelib/log_output.h"
#include "services/filelib/store_config.h"
#include "util/data_dir.h"
#include "util/time_stamp.h"

namespace tav::service {
namespace {

// How soon a store without an authority is looked at again (store.conf may
// gain one), and how soon a failed request is tried again.
constexpr std::chrono::milliseconds kIdleLook{60'000};
constexpr std::chrono::milliseconds kRetry{60'000};

}  // namespace

std::chrono::milliseconds HeadStamper::StampIfDue() {
  DataDirChoice dir;
  StoreConfig config;
  if (!LocateDataDir(&dir).ok() || !LoadStoreConfig(dir.path, &config).ok() ||
      config.time_stamp_url.empty() || config.time_stamp_checkpoint.count() == 0 ||
      config.engine != StoreConfig::Engine::kSqlite) {
    return kIdleLook;
  }
  std::shared_ptr<ComplianceDb> db;
  if (!ComplianceDb::GetAt(dir.path + "/" + kComplianceDbFileName, &db,
                           ComplianceDb::IfMissing::kFail)
           .ok()) {
    return kIdleLook;
  }
  const std::chrono::milliseconds every = config.time_stamp_checkpoint;
  int64_t last = 0;
  std::string heads;
  StoreStatus status = db->Read([&](SqlDb& c) { return LastHeadTimeStamp(c, &last); });
  if (status.ok() && SealClockNow() - last >= every.count()) {
    // The text names the store, which gets its id now if it has none yet.
    status = db->Write([&](SqlDb& c) {
      std::string id;
      StoreStatus s = StoreIdForWriting(c, &id);
      if (s.ok()) s = HeadCheckpointText(c, &heads);
      return s;
    });
  }
  const int64_t now = SealClockNow();
  if (status.ok() && heads.empty()) {
    return std::clamp(std::chrono::milliseconds(last + every.count() - now),
                      std::chrono::milliseconds(10), kIdleLook);
  }
  TimeStampAuthority tsa;
  tsa.url = config.time_stamp_url;
  tsa.ca_file = config.time_stamp_ca;
  std::string token;
  TimeStampInfo info;
  if (status.ok()) status = RequestTimeStamp(tsa, heads, &token, &info);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) { return StoreHeadTimeStamp(c, heads, token); });
  }
  if (!status.ok()) {
    const std::string line = "the heads of the logs could not be time-stamped: " + status.message();
    LogLine(line);
    SendAuthLog(true, "tavsecd: " + line);
    return kRetry;
  }
  return std::clamp(every, std::chrono::milliseconds(10), kIdleLook);
}

}  // namespace tav::service
