#include "services/config/system_configuration.h"

#include <syslog.h>

#include <functional>
#include <mutex>

#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "services/config/config_records.h"
#include "services/config/settings_checks.h"
#include "services/config/settings_merge.h"
#include "services/config/settings_records.h"
#include "services/config/settings_store.h"
#include "services/config/system_table.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/loaded_lists.h"
#include "services/filelib/log_output.h"
#include "services/filelib/settings_seal.h"
#include "services/filelib/system_event_manager.h"
#include "util/auth_syslog.h"
#include "util/file.h"
#include "util/ole_date.h"
#include "util/strings.h"

namespace tav {

CSystemConfiguration theSystemConfig;

namespace {

thread_local std::string t_last_error;

// Done on first use rather than in the constructor: theSystemConfig is
// constructed during static initialisation, before the record engine's own
// globals may be.
void LoadService() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterConfigRecordKinds();
    SetActivityNameResolver([](int activity) { return SystemTable::GetActivityName(activity); });
  });
}

// The trail through the service, page by page: it can outgrow any reply.
StoreStatus LoadRemoteTrail(SettingsRemote& remote,
                            std::unique_ptr<CLoadedAuditCollection>* out) {
  auto trail = std::make_unique<CLoadedAuditCollection>("AUDT");
  bool first = true;
  uint64_t from = 0;
  for (;;) {
    RemoteTrailPage page;
    StoreStatus status = remote.ReadTrail(from, &page);
    if (!status.ok()) return status;
    for (size_t i = 0; i < page.events.size(); ++i) {
      if (first) {
        trail->SetSequenceNumber(static_cast<uint32_t>(page.numbers[i]));
        first = false;
      }
      CMemFile file(page.events[i].data(), page.events[i].size());
      std::unique_ptr<CComponent> event;
      if (ReadNextComponent(&file, event) != kRecordOk || !event->GetTag().Is("AEvt")) {
        LogLine("configuration audit event " + std::to_string(page.numbers[i]) +
                " cannot be read; it was left out");
        continue;
      }
      trail->AppendLoaded(std::move(event));
    }
    // A page that does not move on would loop for ever.
    if (!page.more || page.next <= from) break;
    from = page.next;
  }
  trail->Finish();
  *out = std::move(trail);
  return StoreStatus::Ok();
}

// Reports a storage failure once per distinct message, so that a broken
// database does not flood the log output with one line per query.
void ReportOnce(const std::string& message) {
  static std::mutex mutex;
  static std::string last;
  std::lock_guard<std::mutex> lock(mutex);
  if (message == last) return;
  last = message;
  LogLine(message);
}

int ConfigCode(const StoreStatus& status) {
  if (status.ok()) return kConfigOk;
  t_last_error = status.message();
  return status.code() == StoreStatus::kBusy ? kConfigBusy : kConfigStorageError;
}

// What a query answers when a kind cannot be read and nothing was read
// before: the safe side of each setting.
std::unique_ptr<CComponent> FailClosedRecord(std::string_view row) {
  if (row == kRowFeatureSwitch) return FeatureSwitchRecord(true);
  if (row == kRowRights) return RightsRecord(CTAVGroupRightsArray());
  if (row == kRowAudit) {
    CTAVAuditDataTypeSettingArray all;
    for (int type = 0; type < kDataTypeCount; ++type) {
      all.Add(type, kRecordingAudited, SystemTable::GetAuditTypeName(type, false),
              SystemTable::GetAuditRecordingTypeName(kRecordingAudited));
    }
    return AuditRecord(all);
  }
  if (row == kRowESig) return std::make_unique<CESigConfigurationsComp>();
  return WithNumber(nullptr, kIdleTimeoutName, kFailClosedIdleTimeoutMinutes);
}

std::string ESigBaseKey(int data_type) {
  return std::string(kRowESig) + "/" + std::to_string(data_type);
}

constexpr char kFromService[] = "the compliance service";
constexpr char kFromClient[] = "the client's change";

// Reads and checks one record a client sent for `row`; its failure's
// message otherwise.
StoreStatus ClientRecord(std::string_view row, const std::string& bytes,
                         std::shared_ptr<CComponent>* out) {
  std::unique_ptr<CComponent> record;
  StoreStatus status = DecodeSettingRecord(kFromClient, row, bytes, &record);
  if (!status.ok()) return status;
  std::string why;
  if (!CheckSettingRecord(row, *record, &why)) return StoreStatus(StoreStatus::kInvalid, why);
  *out = std::move(record);
  return StoreStatus::Ok();
}

}  // namespace

CSystemConfiguration::CSystemConfiguration() = default;

CSystemConfiguration::CSystemConfiguration(std::string database_path)
    : database_path_(std::move(database_path)) {}

void LoadConfigurationService() { LoadService(); }

CSystemConfiguration::~CSystemConfiguration() = default;

std::unique_ptr<CSystemConfiguration> CSystemConfiguration::NewEditor() const {
  return std::make_unique<CSystemConfiguration>(database_path_);
}

std::string CSystemConfiguration::LastErrorMessage() { return t_last_error; }

void CSystemConfiguration::ForgetReadsForTesting() {
  std::lock_guard<std::mutex> lock(mutex_);
  bases_.clear();
  failed_reads_.clear();
  last_good_.clear();
}

StoreStatus CSystemConfiguration::Db(std::shared_ptr<ComplianceDb>* db) const {
  LoadService();
  return database_path_.empty() ? ComplianceDb::Get(db) : ComplianceDb::GetAt(database_path_, db);
}

std::unique_ptr<CComponent> CSystemConfiguration::LoadRow(std::string_view row,
                                                          StoreStatus* status) const {
  return std::move(LoadRows({row}, status).front());
}

std::vector<std::unique_ptr<CComponent>> CSystemConfiguration::LoadRows(
    std::initializer_list<std::string_view> rows, StoreStatus* status) const {
  std::vector<std::unique_ptr<CComponent>> records(rows.size());
  if (SettingsRemote* remote = Remote()) {
    size_t i = 0;
    for (std::string_view row : rows) {
      std::string bytes;
      *status = remote->ReadRow(row, &bytes);
      if (status->ok()) *status = DecodeSettingRecord(kFromService, row, bytes, &records[i++]);
      if (!status->ok()) break;
    }
  } else {
    std::shared_ptr<ComplianceDb> db;
    *status = Db(&db);
    if (status->ok()) {
      // One transaction and one check of the seal for all of them.
      *status = db->Read([&](SqlDb& c) {
        StoreStatus s = CheckSettingsSeal(c);
        size_t i = 0;
        for (std::string_view row : rows) {
          if (s.ok()) s = LoadSetting(c, row, &records[i++]);
        }
        return s;
      });
    }
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (status->ok()) {
    size_t i = 0;
    for (std::string_view row : rows) last_good_[std::string(row)] = CloneRecord(*records[i++]);
    return records;
  }
  t_last_error = status->message();
  if (status->code() == StoreStatus::kTampered) {
    // Settings changed behind the service's back are not the settings, and
    // neither are values read before: nothing tells when they were changed.
    last_good_.clear();
    ReportOnce("configuration refused (failing closed): " + status->message());
    size_t i = 0;
    for (std::string_view row : rows) records[i++] = FailClosedRecord(row);
    return records;
  }
  bool all_read_before = true;
  size_t i = 0;
  for (std::string_view row : rows) {
    auto it = last_good_.find(row);
    all_read_before = all_read_before && it != last_good_.end();
    records[i++] = it != last_good_.end() ? CloneRecord(*it->second) : FailClosedRecord(row);
  }
  ReportOnce("configuration not read (" +
             std::string(all_read_before ? "using the values read before" : "failing closed") +
             "): " + status->message());
  return records;
}

void CSystemConfiguration::RememberBase(std::string_view key, const CComponent& record) {
  std::lock_guard<std::mutex> lock(mutex_);
  bases_[std::string(key)] = CloneRecord(record);
  failed_reads_.erase(std::string(key));
}

int CSystemConfiguration::ReadFailed(std::string_view key, const StoreStatus& status) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    failed_reads_.insert(std::string(key));
  }
  return ConfigCode(status);
}

std::unique_ptr<CComponent> CSystemConfiguration::Base(std::string_view key) const {
  std::lock_guard<std::mutex> lock(mutex_);
  auto it = bases_.find(key);
  return it == bases_.end() ? nullptr : CloneRecord(*it->second);
}

SettingsRemote* CSystemConfiguration::Remote() const {
  // A configuration of an explicit database is that store's, always.
  return database_path_.empty() ? theSettingsRemote.InUse() : nullptr;
}

CSystemConfiguration::Batch* CSystemConfiguration::ThreadBatch() {
  auto it = batches_.find(std::this_thread::get_id());
  return it == batches_.end() ? nullptr : &it->second;
}

void CSystemConfiguration::BeginBatch() {
  std::lock_guard<std::mutex> lock(mutex_);
  batches_[std::this_thread::get_id()] = Batch();
}

void CSystemConfiguration::AbortBatch() {
  std::lock_guard<std::mutex> lock(mutex_);
  batches_.erase(std::this_thread::get_id());
}

int CSystemConfiguration::CommitBatch() {
  Batch batch;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    auto it = batches_.find(std::this_thread::get_id());
    if (it == batches_.end()) return kConfigOk;
    batch = std::move(it->second);
    batches_.erase(it);
  }
  if (batch.refused != kConfigOk) {
    LogLine("configuration not changed: a change of the batch was refused: " + t_last_error);
    return batch.refused;
  }
  if (!batch.remote.empty() && !batch.writes.empty()) {
    // The process moved between the service and the store while it queued
    // (its socket or data directory changed): one transaction cannot hold both.
    t_last_error = "the settings were not written: the batch was queued for two stores";
    LogLine("configuration not changed: " + t_last_error);
    return kConfigStorageError;
  }
  if (!batch.remote.empty()) return SendRemote(batch.remote, batch.remote_keys);
  if (batch.writes.empty()) return kConfigOk;
  return StoreWrites(batch.writes, ActingUserName(), nullptr);
}

bool CSystemConfiguration::RefuseAfterFailedRead(std::string_view row,
                                                 std::string_view base_key) {
  // The caller's last read of this kind failed, so what it writes may be
  // an empty array, not its edit of the settings: writing it would wipe
  // them. It must read again first.
  if (base_key.empty() || failed_reads_.count(base_key) == 0) return false;
  t_last_error = "the settings were not written: they could not be read before the change";
  LogLine("configuration not changed (" + std::string(row) + "): " + t_last_error);
  Batch* batch = ThreadBatch();
  if (batch != nullptr && batch->refused == kConfigOk) batch->refused = kConfigStorageError;
  return true;
}

int CSystemConfiguration::WriteRemote(RemoteSettingWrite write, std::string_view base_key) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (RefuseAfterFailedRead(write.row, base_key)) return kConfigStorageError;
    if (Batch* batch = ThreadBatch(); batch != nullptr) {
      batch->remote.push_back(std::move(write));
      batch->remote_keys.emplace_back(base_key);
      return kConfigOk;
    }
  }
  return SendRemote({std::move(write)}, {std::string(base_key)});
}

int CSystemConfiguration::SendRemote(const std::vector<RemoteSettingWrite>& writes,
                                     const std::vector<std::string>& base_keys) {
  SettingsRemote* remote = theSettingsRemote.InUse();
  RemoteWriteResult result;
  if (remote == nullptr) {
    result.code = kConfigStorageError;
    result.message = "the compliance service is no longer in use by this process";
  } else {
    result = remote->Write(writes);
  }
  std::vector<std::unique_ptr<CComponent>> stored(writes.size());
  if (result.code == kConfigOk && result.stored.size() != writes.size()) {
    result.code = kConfigStorageError;
    result.message = "the compliance service did not return what it stored";
  }
  for (size_t i = 0; result.code == kConfigOk && i < writes.size(); ++i) {
    StoreStatus status =
        DecodeSettingRecord(kFromService, writes[i].row, result.stored[i], &stored[i]);
    if (!status.ok()) {
      result.code = kConfigStorageError;
      result.message = status.message();
    }
  }
  if (result.code != kConfigOk) {
    t_last_error = result.message;
    LogLine("configuration not changed (" + writes.front().row +
            (writes.size() > 1 ? " and others" : "") + "): " + result.message);
    return result.code;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  for (size_t i = 0; i < writes.size(); ++i) {
    if (!base_keys[i].empty()) {
      bases_[base_keys[i]] = CloneRecord(*stored[i]);
      failed_reads_.erase(base_keys[i]);
    }
    last_good_[writes[i].row] = std::move(stored[i]);
  }
  return kConfigOk;
}

int CSystemConfiguration::WriteRow(std::string_view row, std::string_view base_key,
                                   BuildRecord build, std::string_view reason, bool* changed,
                                   int system_event) {
  PendingWrite write{std::string(row), std::string(base_key), std::move(build),
                     std::string(reason), system_event};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (RefuseAfterFailedRead(write.row, base_key)) return kConfigStorageError;
    if (Batch* batch = ThreadBatch(); batch != nullptr) {
      batch->writes.push_back(std::move(write));
      if (changed != nullptr) *changed = false;
      return kConfigOk;
    }
  }
  std::vector<PendingWrite> writes;
  writes.push_back(std::move(write));
  return StoreWrites(writes, ActingUserName(), changed);
}

int CSystemConfiguration::StoreWrites(const std::vector<PendingWrite>& writes,
                                      const std::string& user, bool* changed,
                                      std::vector<std::unique_ptr<CComponent>>* stored_out) {
  std::vector<std::unique_ptr<CComponent>> stored(writes.size());
  std::vector<int> events_written;
  bool any_change = false;
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = Db(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) {
      // A change on top of settings that fail their seal would seal them
      // again, and so pass off what was done behind the service's back.
      StoreStatus s = CheckSettingsSeal(c);
      if (!s.ok()) return s;
      any_change = false;
      events_written.clear();
      for (size_t i = 0; i < writes.size(); ++i) {
        const PendingWrite& write = writes[i];
        const ChangeAuthor author{user, write.reason};
        // Read inside the transaction: a later write of the same row
        // builds on the earlier one.
        std::unique_ptr<CComponent> current;
        s = LoadSetting(c, write.row, &current);
        if (!s.ok()) return s;
        std::unique_ptr<CComponent> fresh = write.build(*current);
        bool did_change = false;
        s = SaveSettingAudited(c, write.row, *fresh, author, &did_change);
        if (s.ok() && did_change && write.system_event != 0) {
          s = AppendSystemEvent(c, static_cast<AUDITCODE>(write.system_event), user.c_str());
          events_written.push_back(write.system_event);
        }
        if (!s.ok()) return s;
        any_change = any_change || did_change;
        stored[i] = std::move(fresh);
      }
      return any_change ? SealSettings(c) : StoreStatus();
    });
  }
  if (!status.ok()) {
    LogLine("configuration not changed (" + writes.front().row +
            (writes.size() > 1 ? " and others" : "") + "): " + status.message());
    return ConfigCode(status);
  }
  for (size_t i = 0; i < writes.size(); ++i) {
    if (!writes[i].base_key.empty()) RememberBase(writes[i].base_key, *stored[i]);
    std::lock_guard<std::mutex> lock(mutex_);
    last_good_[writes[i].row] = CloneRecord(*stored[i]);
  }
  // The switch of the features is news for the site's monitoring too.
  for (int event : events_written) {
    AuthSyslog(LOG_NOTICE, GetAuditCodeName(event) + " by " + user);
  }
  if (changed != nullptr) *changed = any_change;
  if (stored_out != nullptr) *stored_out = std::move(stored);
  return kConfigOk;
}

RemoteSettingWrite CSystemConfiguration::ArrayWrite(std::string_view row, const CComponent& mine,
                                                    std::string_view reason) const {
  RemoteSettingWrite write;
  write.row = std::string(row);
  // Without an earlier read the caller's array replaces the stored one, as
  // in this process.
  if (std::unique_ptr<CComponent> base = Base(row)) {
    write.has_base = true;
    write.base = SettingRecordBytes(*base);
  }
  write.edit = SettingRecordBytes(mine);
  write.reason = std::string(reason);
  return write;
}

// ------------------------------------------------------------- the switch

int CSystemConfiguration::Is21CFREnabled() {
  StoreStatus status;
  return FeatureSwitchFromRecord(LoadRow(kRowFeatureSwitch, &status).get()) ? 1 : 0;
}

int CSystemConfiguration::Set21CFREnabled(int enabled, std::string_view reason) {
  const bool on = enabled != 0;
  if (Remote() != nullptr) {
    // The service writes system event 8 or 9 with a change of the switch.
    RemoteSettingWrite write;
    write.row = kRowFeatureSwitch;
    write.edit = SettingRecordBytes(*FeatureSwitchRecord(on));
    write.reason = std::string(reason);
    return WriteRemote(std::move(write), {});
  }
  return WriteRow(
      kRowFeatureSwitch, {}, [on](CComponent&) { return FeatureSwitchRecord(on); }, reason,
      nullptr, on ? kAuditEnabled21CFR11 : kAuditDisabled21CFR11);
}

// --------------------------------------------------------- named numbers

int CSystemConfiguration::GetConfigInt(const char* name, int default_value) {
  if (name == nullptr) return default_value;
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(kRowNumbers, &status);
  int value = default_value;
  NumberFromRecord(record.get(), name, &value);
  return value;
}

int CSystemConfiguration::SetConfigInt(const char* name, int value, std::string_view reason) {
  if (name == nullptr || name[0] == '\0') return kConfigInvalidId;
  if (std::string message; !CheckConfigInt(name, value, &message)) {
    t_last_error = message;
    std::lock_guard<std::mutex> lock(mutex_);
    if (Batch* batch = ThreadBatch(); batch != nullptr && batch->refused == kConfigOk) {
      batch->refused = kConfigInvalidValue;
    }
    return kConfigInvalidValue;
  }
  std::string key(name);
  if (Remote() != nullptr) {
    // The edit is this one number on the numbers as read now; the service
    // applies just that to what it holds.
    StoreStatus status;
    std::unique_ptr<CComponent> base = LoadRow(kRowNumbers, &status);
    if (!status.ok()) return ConfigCode(status);
    RemoteSettingWrite write;
    write.row = kRowNumbers;
    write.has_base = true;
    write.base = SettingRecordBytes(*base);
    write.edit = SettingRecordBytes(*WithNumber(base.get(), key, value));
    write.reason = std::string(reason);
    return WriteRemote(std::move(write), {});
  }
  return WriteRow(
      kRowNumbers, {},
      [key = std::move(key), value](CComponent& current) {
        return WithNumber(&current, key, value);
      },
      reason);
}

// ---------------------------------------------------------------- rights

int CSystemConfiguration::IsActivityAllowed(const std::list<std::string>& groups, int activity,
                                            TamberTAV2ErrorCodes* error) {
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(kRowRights, &status);
  if (error != nullptr) *error = static_cast<TamberTAV2ErrorCodes>(ConfigCode(status));
  CTAVGroupRightsArray rights;
  RightsFromRecord(record.get(), &rights);
  for (const std::string& group : groups) {
    if (rights.IsGranted(group, activity)) return 1;
  }
  return 0;
}

int CSystemConfiguration::MayPerform(const std::list<std::string>& groups, int activity,
                                     bool* features_on, TamberTAV2ErrorCodes* error) {
  StoreStatus status;
  std::vector<std::unique_ptr<CComponent>> records = LoadRows({kRowFeatureSwitch, kRowRights},
                                                              &status);
  if (error != nullptr) *error = static_cast<TamberTAV2ErrorCodes>(ConfigCode(status));
  *features_on = FeatureSwitchFromRecord(records[0].get());
  if (!*features_on) return 1;
  CTAVGroupRightsArray rights;
  RightsFromRecord(records[1].get(), &rights);
  for (const std::string& group : groups) {
    if (rights.IsGranted(group, activity)) return 1;
  }
  return 0;
}

int CSystemConfiguration::ReadActivityGroupArray(CTAVGroupRightsArray& rights) {
  rights.RemoveAll();
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(kRowRights, &status);
  if (!status.ok()) return ReadFailed(kRowRights, status);
  RightsFromRecord(record.get(), &rights);
  RememberBase(kRowRights, *record);
  return kConfigOk;
}

int CSystemConfiguration::WriteActivityGroupArray(const CTAVGroupRightsArray& rights,
                                                  std::string_view reason) {
  std::shared_ptr<CComponent> mine = RightsRecord(rights);
  if (Remote() != nullptr) return WriteRemote(ArrayWrite(kRowRights, *mine, reason), kRowRights);
  return WriteRow(
      kRowRights, kRowRights,
      [this, mine](CComponent& current) {
        std::unique_ptr<CComponent> base = Base(kRowRights);
        std::unique_ptr<CComponent> own = CloneRecord(*mine);
        return MergeChanges(base.get(), own.get(), &current);
      },
      reason);
}

// ------------------------------------------------------------- auditing

int CSystemConfiguration::GetAuditCommentSetting(int data_type, bool& ask, bool& required) {
  if (!IsValidDataType(data_type)) return kConfigInvalidId;
  if (!Is21CFREnabled()) {
    ask = false;
    required = false;
    return kConfigOk;
  }
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(kRowAudit, &status);
  CTAVAuditDataTypeSettingArray settings;
  AuditFromRecord(record.get(), &settings);
  const int recording = settings.GetRecordingType(data_type);
  ask = recording == kRecordingReasonOptional || recording == kRecordingReasonRequired;
  required = recording == kRecordingReasonRequired;
  return kConfigOk;
}

int CSystemConfiguration::ReadAuditTypeSettingArray(CTAVAuditDataTypeSettingArray& settings) {
  settings.RemoveAll();
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(kRowAudit, &status);
  if (!status.ok()) return ReadFailed(kRowAudit, status);
  AuditFromRecord(record.get(), &settings);
  RememberBase(kRowAudit, *record);
  return kConfigOk;
}

int CSystemConfiguration::WriteAuditTypeSettingArray(const CTAVAuditDataTypeSettingArray& settings,
                                                     std::string_view reason) {
  std::shared_ptr<CComponent> mine = AuditRecord(settings);
  if (Remote() != nullptr) return WriteRemote(ArrayWrite(kRowAudit, *mine, reason), kRowAudit);
  return WriteRow(
      kRowAudit, kRowAudit,
      [this, mine](CComponent& current) {
        std::unique_ptr<CComponent> base = Base(kRowAudit);
        std::unique_ptr<CComponent> own = CloneRecord(*mine);
        return MergeChanges(base.get(), own.get(), &current);
      },
      reason);
}

// ------------------------------------------------------------ signatures

int CSystemConfiguration::ReadESigConfiguration(int data_type, CTAVESigConfiguration& config) {
  config.Clear();
  if (!IsValidDataType(data_type)) return kConfigInvalidId;
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(kRowESig, &status);
  if (!status.ok()) return ReadFailed(ESigBaseKey(data_type), status);
  ESigFromRecord(record.get(), data_type, &config);
  RememberBase(ESigBaseKey(data_type), *record);
  return kConfigOk;
}

int CSystemConfiguration::WriteESigConfiguration(int data_type,
                                                 const CTAVESigConfiguration& config,
                                                 std::string_view reason) {
  if (!IsValidDataType(data_type)) return kConfigInvalidId;
  const std::string key = ESigBaseKey(data_type);
  if (Remote() != nullptr) {
    // The caller changed this data type only: its edit is the base (or,
    // without one, the record as read now) with this type's settings
    // replaced.
    std::unique_ptr<CComponent> base = Base(key);
    if (base == nullptr) {
      StoreStatus status;
      base = LoadRow(kRowESig, &status);
      if (!status.ok()) return ReadFailed(key, status);
    }
    RemoteSettingWrite write;
    write.row = kRowESig;
    write.has_base = true;
    write.base = SettingRecordBytes(*base);
    write.edit = SettingRecordBytes(*WithESig(base.get(), data_type, config));
    write.reason = std::string(reason);
    return WriteRemote(std::move(write), key);
  }
  auto own = std::make_shared<CTAVESigConfiguration>(config);
  return WriteRow(
      kRowESig, key,
      [this, key, data_type, own](CComponent& current) {
        std::unique_ptr<CComponent> base = Base(key);
        // The caller changed this data type only: its version is the base
        // with this type's settings replaced.
        std::unique_ptr<CComponent> mine = WithESig(base ? base.get() : &current, data_type, *own);
        return MergeChanges(base.get(), mine.get(), &current);
      },
      reason);
}

// ---------------------------------------------------------------- seal

int CSystemConfiguration::VerifySettings() {
  if (SettingsRemote* remote = Remote()) return ConfigCode(remote->VerifySettings());
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = Db(&db);
  if (status.ok()) status = db->Read([](SqlDb& c) { return CheckSettingsSeal(c); });
  return ConfigCode(status);
}

int CSystemConfiguration::AcceptStoredSettings(std::string_view reason) {
  if (SettingsRemote* remote = Remote()) {
    const RemoteWriteResult result = remote->AcceptStoredSettings(reason);
    if (result.code != kConfigOk) {
      t_last_error = result.message;
      LogLine("stored settings not accepted: " + result.message);
      return result.code;
    }
    std::lock_guard<std::mutex> lock(mutex_);
    failed_reads_.clear();
    return kConfigOk;
  }
  return AcceptStoredSettingsAs(reason, ActingUserName());
}

int CSystemConfiguration::AcceptStoredSettingsAs(std::string_view reason,
                                                 const std::string& user) {
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = Db(&db);
  if (status.ok()) {
    status = db->Write([&](SqlDb& c) {
      StoreStatus s = CheckSettingsSeal(c);
      if (s.ok()) return s;  // nothing to accept
      if (s.code() != StoreStatus::kTampered) return s;
      // Every stored row must read, so that what is accepted is settings.
      for (const char* row : {kRowFeatureSwitch, kRowNumbers, kRowRights, kRowAudit, kRowESig}) {
        std::unique_ptr<CComponent> record;
        s = LoadSetting(c, row, &record);
        if (!s.ok()) return s;
      }
      CAuditEventComp event;
      event.SetEvent(user, OleDateNow());
      event.SetReasonForChange(std::string(kAcceptedSettingsReason) + std::string(reason));
      s = AppendConfigAuditEvent(c, event);
      return s.ok() ? SealSettings(c) : s;
    });
  }
  if (!status.ok()) LogLine("stored settings not accepted: " + status.message());
  std::lock_guard<std::mutex> lock(mutex_);
  failed_reads_.clear();
  return ConfigCode(status);
}

// ------------------------------------------------------- the service's side

RemoteWriteResult CSystemConfiguration::StoreEdits(const std::vector<RemoteSettingWrite>& writes,
                                                   const std::string& user) {
  LoadService();
  RemoteWriteResult result;
  std::vector<PendingWrite> pending;
  for (const RemoteSettingWrite& write : writes) {
    std::shared_ptr<CComponent> base;
    std::shared_ptr<CComponent> edit;
    StoreStatus status = IsSettingRow(write.row)
                             ? ClientRecord(write.row, write.edit, &edit)
                             : StoreStatus(StoreStatus::kInvalid, "'" + write.row +
                                                                      "' is not a setting");
    if (status.ok() && write.has_base) status = ClientRecord(write.row, write.base, &base);
    if (!status.ok()) {
      // Nothing of the request is stored: a forged record refuses all.
      result.code = IsSettingRow(write.row) ? kConfigInvalidValue : kConfigInvalidId;
      result.message = "the change of the settings was refused: " + status.message();
      t_last_error = result.message;
      return result;
    }
    PendingWrite change;
    change.row = write.row;
    change.reason = write.reason;
    change.build = [base, edit](CComponent& current) {
      std::unique_ptr<CComponent> from = base ? CloneRecord(*base) : nullptr;
      std::unique_ptr<CComponent> mine = CloneRecord(*edit);
      return MergeChanges(from.get(), mine.get(), &current);
    };
    if (write.row == kRowFeatureSwitch) {
      change.system_event =
          FeatureSwitchFromRecord(edit.get()) ? kAuditEnabled21CFR11 : kAuditDisabled21CFR11;
    }
    pending.push_back(std::move(change));
  }
  if (pending.empty()) return result;
  std::vector<std::unique_ptr<CComponent>> stored;
  result.code = StoreWrites(pending, user, &result.changed, &stored);
  if (result.code != kConfigOk) {
    result.message = t_last_error;
    return result;
  }
  for (const std::unique_ptr<CComponent>& record : stored) {
    result.stored.push_back(SettingRecordBytes(*record));
  }
  return result;
}

// ------------------------------------------------------- as a document

std::string CSystemConfiguration::GetFilePath() const {
  if (!database_path_.empty()) return database_path_;
  // The store is the service's: there is no path this process could open.
  if (Remote() != nullptr) return std::string();
  std::shared_ptr<ComplianceDb> db;
  return Db(&db).ok() ? db->path() : std::string();
}

CComponent* CSystemConfiguration::FindComponent(std::string_view path) const {
  const size_t slash = path.find('\\');
  const std::string_view row = path.substr(0, slash);
  if (row != kRowFeatureSwitch && row != kRowNumbers && row != kRowRights && row != kRowAudit &&
      row != kRowESig) {
    return nullptr;
  }
  StoreStatus status;
  std::unique_ptr<CComponent> record = LoadRow(row, &status);
  std::lock_guard<std::mutex> lock(mutex_);
  CComponent* held = (documents_[std::string(row)] = std::move(record)).get();
  if (slash == std::string_view::npos) return held;
  const std::string_view rest = path.substr(slash + 1);
  return rest.empty() ? nullptr : held->FindComponent(rest);
}

CListComp* CSystemConfiguration::GetAuditTrail() {
  std::unique_ptr<CLoadedAuditCollection> trail;
  StoreStatus status;
  if (SettingsRemote* remote = Remote()) {
    status = LoadRemoteTrail(*remote, &trail);
  } else {
    std::shared_ptr<ComplianceDb> db;
    status = Db(&db);
    if (status.ok()) status = db->Read([&](SqlDb& c) { return LoadConfigAuditTrail(c, &trail); });
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (!status.ok()) {
    t_last_error = status.message();
    ReportOnce("configuration audit trail not read: " + status.message());
    trail_.reset();
    return nullptr;
  }
  trail_ = std::move(trail);
  return trail_.get();
}

}  // namespace tav
