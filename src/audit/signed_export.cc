#include "audit/signed_export.h"

#include <memory>
#include <vector>

#include "services/config/config_trail.h"
#include "services/config/system_configuration.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_log_remote.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/head_anchor.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/store_config.h"
#include "services/filelib/system_event_manager.h"
#include "util/data_dir.h"
#include "util/file.h"
#include "util/time_stamp.h"

namespace tav {

const char* ExportedLogName(ExportedLog log) {
  return log == ExportedLog::kSystemEvents ? "system event log" : "configuration audit trail";
}

StoreStatus RenderLogExport(ExportedLog log, TableFormat format, uint64_t through,
                            ExportDocument* out) {
  out->range = ListingRange();
  if (log == ExportedLog::kSystemEvents) {
    CSystemEventManager manager;
    const CAuditCollectionComp* events = manager.LoadEventList();
    if (events == nullptr) {
      return StoreStatus(StoreStatus::kIOError, "the system event log cannot be read");
    }
    out->bytes = FormatEventListing(*events, format, through, &out->range);
    return StoreStatus::Ok();
  }
  std::vector<ConfigTrailEvent> changes;
  if (!DescribeConfigTrail(theSystemConfig, &changes)) {
    return StoreStatus(StoreStatus::kIOError, "the configuration audit trail cannot be read: " +
                                                  CSystemConfiguration::LastErrorMessage());
  }
  out->bytes = FormatTrailListing(changes, format, through, &out->range);
  return StoreStatus::Ok();
}

StoreStatus SignLogExport(ExportedLog log, TableFormat format, uint64_t through,
                          const Sha256& sha256, std::string* signature_file, std::string* note) {
  note->clear();
  DataDirChoice dir;
  StoreStatus status = LocateDataDir(&dir);
  ServiceKeys keys;
  if (status.ok()) status = ReadServiceKeys(dir.path, &keys);
  if (status.code() == StoreStatus::kNotFound) {
    return StoreStatus(StoreStatus::kNotFound,
                       "the store has no signing key (tavsec events setup-keys makes one)");
  }
  if (!status.ok()) return status;
  ExportDocument document;
  status = RenderLogExport(log, format, through, &document);
  if (status.ok() && Sha256Of(document.bytes) != sha256) {
    status = StoreStatus(StoreStatus::kTampered,
                         std::string("the export is not what the store holds: the ") +
                             ExportedLogName(log) + " up to record " + std::to_string(through) +
                             " reads otherwise here, so it was not signed");
  }
  ExportStatement statement;
  std::shared_ptr<ComplianceDb> db;
  if (status.ok()) status = ComplianceDb::Get(&db);
  if (status.ok()) {
    status = db->Read([&](SqlDb& c) { return ReadStoreId(c, &statement.store_id); });
  }
  if (!status.ok()) {
    keys.Wipe();
    return status;
  }
  statement.log = ExportedLogName(log);
  statement.format = format == TableFormat::kCsv ? "csv" : "json";
  statement.first = document.range.first;
  statement.last = document.range.last;
  statement.count = document.range.count;
  statement.signed_utc_ms = SealClockNow();
  statement.sha256 = sha256;
  *signature_file = SignExportStatement(statement, keys);
  keys.Wipe();

  StoreConfig config;
  if (!LoadStoreConfig(dir.path, &config).ok() || config.time_stamp_url.empty()) {
    return StoreStatus::Ok();
  }
  TimeStampAuthority tsa;
  tsa.url = config.time_stamp_url;
  tsa.ca_file = config.time_stamp_ca;
  std::string token;
  TimeStampInfo info;
  StoreStatus stamped =
      RequestTimeStamp(tsa, TimeStampedBytes(*signature_file), &token, &info);
  if (stamped.ok()) {
    *signature_file = WithTimeStamp(*signature_file, token);
  } else {
    *note = "the export is signed but not time-stamped: " + stamped.message();
  }
  return StoreStatus::Ok();
}

StoreStatus WriteSignedExport(ExportedLog log, TableFormat format, const std::string& path,
                              WrittenExport* out) {
  *out = WrittenExport();
  ExportDocument document;
  StoreStatus status = RenderLogExport(log, format, kWholeLog, &document);
  if (!status.ok()) return status;
  const Sha256 sha256 = Sha256Of(document.bytes);
  std::string signature;
  std::string note;
  if (EventLogRemote* remote = EventLogSeam().InUse()) {
    status = remote->SignExport(static_cast<int>(log), format == TableFormat::kCsv ? 0 : 1,
                                document.range.last,
                                std::string_view(reinterpret_cast<const char*>(sha256.data()),
                                                 sha256.size()),
                                &signature, &note);
  } else {
    status = SignLogExport(log, format, document.range.last, sha256, &signature, &note);
  }
  const bool without_key = status.code() == StoreStatus::kNotFound;
  if (!status.ok() && !without_key) return status;
  try {
    WriteFileAtomically(path, document.bytes, 0644);
    if (!without_key) WriteFileAtomically(path + ".sig", signature, 0644);
  } catch (const CFileException& e) {
    return StoreStatus(StoreStatus::kIOError, e.what());
  }
  out->count = document.range.count;
  out->is_signed = !without_key;
  out->warning = without_key ? "the export is not signed: " + status.message() : note;
  return StoreStatus::Ok();
}

}  // namespace tav
