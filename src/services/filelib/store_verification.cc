#include "services/filelib/store_verification.h"

#include <cmath>
#include <memory>

#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/file_record_comp.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/head_time_stamps.h"
#include "services/filelib/store_config.h"
#include "util/atomic_create.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/settings_seal.h"
#include "services/filelib/system_event_manager.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {
namespace {

std::unique_ptr<CComponent> Parse(std::string_view bytes) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> record;
  ReadNextComponent(&file, record);
  return record;
}

std::string Date(DATE date) { return FormatOleDate(date, "%Y-%m-%d %H:%M:%S"); }

}  // namespace

std::string DescribeChainedRecord(ChainedLog log, uint64_t seq, std::string_view bytes) {
  std::unique_ptr<CComponent> record = Parse(bytes);
  const std::string number = std::to_string(seq);
  if (log == ChainedLog::kSystemEvents) {
    if (const auto* event = dynamic_cast<const CAuditEventComp*>(record.get())) {
      return CSystemEventManager::DescribeEvent(seq, *event);
    }
    return "event " + number + " (unreadable)";
  }
  if (log == ChainedLog::kConfigAudit) {
    if (const auto* event = dynamic_cast<const CAuditEventComp*>(record.get())) {
      return "configuration change " + number + " (" + Date(event->GetEvent().GetDate()) + ", " +
             event->GetEvent().GetUserName() + ")";
    }
    return "configuration change " + number + " (unreadable)";
  }
  if (const auto* file = dynamic_cast<const CFileRecordComp*>(record.get())) {
    return "run file record " + number + " (" + Date(file->GetDate()) + ", " +
           file->GetUserName().value_or("") + ", " + file->GetTypeName() + ", " +
           file->GetFilePath().value_or("") + ")";
  }
  return "run file record " + number + " (unreadable)";
}

bool ReadsAsChainedRecord(ChainedLog log, std::string_view bytes) {
  std::unique_ptr<CComponent> record = Parse(bytes);
  if (log == ChainedLog::kRunHistory) return dynamic_cast<CFileRecordComp*>(record.get()) != nullptr;
  return dynamic_cast<CAuditEventComp*>(record.get()) != nullptr;
}

std::optional<int64_t> ChainedRecordLocalTime(std::string_view bytes) {
  std::unique_ptr<CComponent> record = Parse(bytes);
  DATE date = 0;
  if (const auto* event = dynamic_cast<const CAuditEventComp*>(record.get())) {
    date = event->GetEvent().GetDate();
  } else if (const auto* file = dynamic_cast<const CFileRecordComp*>(record.get())) {
    date = file->GetDate();
  } else {
    return std::nullopt;
  }
  if (!(date >= kMinOleDate && date <= kMaxOleDate)) return std::nullopt;
  // Days since 1899-12-30; 25569 of them to 1970.
  return static_cast<int64_t>(std::llround((date - 25569.0) * 86400000.0));
}

StoreStatus VerifyStore(SqlDb& c, IntegrityOptions options, const AfterLogLines& after_log,
                        StoreVerification* out) {
  options.local_time = &ChainedRecordLocalTime;
  options.readable = &ReadsAsChainedRecord;
  auto finding = [out](const std::string& text) {
    out->intact = false;
    if (out->first_finding.empty()) out->first_finding = text;
    out->lines.push_back(text);
  };
  for (ChainedLog log :
       {ChainedLog::kSystemEvents, ChainedLog::kConfigAudit, ChainedLog::kRunHistory}) {
    const std::string title = ChainedLogTitle(log);
    LogIntegrity integrity;
    StoreStatus s = CheckLogIntegrity(
        c, log, options,
        [log](uint64_t seq, std::string_view bytes) {
          return DescribeChainedRecord(log, seq, bytes);
        },
        &integrity);
    if (!s.ok()) return s;
    const ChainReport& report = integrity.chain;
    if (integrity.ok()) {
      std::string line = title + ": " + std::to_string(report.count) +
                         (report.count == 1 ? " record" : " records") + ", chain intact";
      if (report.count != 0) line += ", last hash " + HexEncode(ChainHashBytes(report.head));
      out->lines.push_back(std::move(line));
    }
    for (const IntegrityFinding& f : integrity.findings) finding(title + ": " + f.text);
    if (!integrity.ok()) {
      out->lines.push_back(title + ": first damaged record: " +
                           std::to_string(integrity.FirstDamaged()));
    }
    if (after_log) after_log(log, integrity, &out->lines);
  }
  // The stamped checkpoints against the logs as they are now.
  std::string tsa_ca = options.tsa_ca;
  StoreConfig config;
  if (tsa_ca.empty() && c.engine() == SqlDb::Engine::kSqlite &&
      LoadStoreConfig(FolderOf(c.path()), &config).ok()) {
    tsa_ca = config.time_stamp_ca;
  }
  HeadTimeStampReport stamps;
  StoreStatus stamped = CheckHeadTimeStamps(c, tsa_ca, &stamps);
  if (!stamped.ok()) return stamped;
  for (const std::string& f : stamps.findings) finding("time stamps: " + f);
  if (stamps.checked != 0) {
    std::string line = "time stamps: " + std::to_string(stamps.checked) +
                       (stamps.checked == 1 ? " head checkpoint matches" : " head checkpoints match") +
                       " the logs";
    if (stamps.last_stamp_ms != 0) {
      line += ", the last stamped " + FormatUtcMs(stamps.last_stamp_ms) + " by the authority";
    }
    out->lines.push_back(line);
  }
  for (const std::string& note : stamps.notes) out->lines.push_back("time stamps: " + note);

  // The current settings against the seal their last audited write left;
  // a key that seals the settings must have sealed them.
  SettingsSealKey settings_key;
  const bool keyed = options.key != nullptr && options.key->version >= 3;
  if (keyed) {
    settings_key.key_id = SealKeyId(options.key->seed);
    settings_key.key = SettingsKeyFromSeed(options.key->seed);
  }
  StoreStatus s = CheckSettingsSeal(c, keyed ? &settings_key : nullptr);
  WipeSealKey(&settings_key.key);
  if (s.code() == StoreStatus::kTampered) {
    finding("settings: " + s.message());
  } else if (!s.ok()) {
    return s;
  } else if (c.engine() == SqlDb::Engine::kPostgres) {
    out->lines.push_back("settings: changed in the lab store only together with their trail");
  } else {
    out->lines.push_back(keyed ? "settings: match their seal, made with the verification key's "
                                 "settings key"
                               : "settings: match their seal");
  }
  // The file itself: pages and indexes that SQLite can still make sense of.
  // The lab store's server keeps its own pages.
  if (c.engine() != SqlDb::Engine::kSqlite) return StoreStatus::Ok();
  SqlStatement check = c.Prepare("PRAGMA quick_check", &s);
  if (!s.ok()) return s;
  while (check.Step(&s)) {
    const std::string line(check.ColumnText(0));
    if (line != "ok") {
      finding("database: " + line);
    } else {
      out->lines.push_back("database: ok");
    }
  }
  return s;
}

void TellSystemLogOfDamage(const std::string& who, const StoreVerification& verification) {
  SendAuthLog(true, who + ": the compliance database failed verification" +
                        (verification.first_finding.empty() ? std::string()
                                                            : ": " + verification.first_finding));
}

}  // namespace tav
