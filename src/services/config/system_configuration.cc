#include "services/config/system_configuration.h"

#include <syslog.h>

#include <functional>
#include <mutex>

#include "records/audit_event_comp.h"
#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "services/config/config_records.h"
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

StoreStatus CSystemConfiguration::Db(std::shared_ptr<ComplianceDb>* db) const {
  LoadService();
  return database_path_.empty() ? ComplianceDb::Get(db) : ComplianceDb::GetAt(database_path_, db);
}

std::unique_ptr<CComponent> CSystemConfiguration::LoadRow(std::string_view row,
                                                          StoreStatus* status) const {
  std::unique_ptr<CComponent> record;
  std::shared_ptr<ComplianceDb> db;
  *status = Db(&db);
  if (status->ok()) {
    *status = db->Read([&](SqlDb& c) {
      StoreStatus s = CheckSettingsSeal(c);
      return s.ok() ? LoadSetting(c, row, &record) : s;
    });
  }
  std::lock_guard<std::mutex> lock(mutex_);
  if (status->ok()) {
    last_good_[std::string(row)] = CloneRecord(*record);
    return record;
  }
  t_last_error = status->message();
  if (status->code() == StoreStatus::kTampered) {
    // Settings changed behind the service's back are not the settings, and
    // neither are values read before: nothing tells when they were changed.
    last_good_.clear();
    ReportOnce("configuration refused (failing closed): " + status->message());
    return FailClosedRecord(row);
  }
  auto it = last_good_.find(row);
  ReportOnce("configuration not read (" +
             std::string(it != last_good_.end() ? "using the values read before"
                                                : "failing closed") +
             "): " + status->message());
  return it != last_good_.end() ? CloneRecord(*it->second) : FailClosedRecord(row);
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
  if (batch.writes.empty()) return kConfigOk;
  return StoreWrites(batch.writes, nullptr);
}

int CSystemConfiguration::WriteRow(std::string_view row, std::string_view base_key,
                                   BuildRecord build, std::string_view reason, bool* changed,
                                   int system_event) {
  PendingWrite write{std::string(row), std::string(base_key), std::move(build),
                     std::string(reason), system_event};
  {
    std::lock_guard<std::mutex> lock(mutex_);
    Batch* batch = ThreadBatch();
    // The caller's last read of this kind failed, so what it writes may be
    // an empty array, not its edit of the settings: writing it would wipe
    // them. It must read again first.
    if (!base_key.empty() && failed_reads_.count(write.base_key) != 0) {
      t_last_error = "the settings were not written: they could not be read before the change";
      LogLine("configuration not changed (" + write.row + "): " + t_last_error);
      if (batch != nullptr && batch->refused == kConfigOk) batch->refused = kConfigStorageError;
      return kConfigStorageError;
    }
    if (batch != nullptr) {
      batch->writes.push_back(std::move(write));
      if (changed != nullptr) *changed = false;
      return kConfigOk;
    }
  }
  std::vector<PendingWrite> writes;
  writes.push_back(std::move(write));
  return StoreWrites(writes, changed);
}

int CSystemConfiguration::StoreWrites(const std::vector<PendingWrite>& writes, bool* changed) {
  const std::string user = ActingUserName();
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
  return kConfigOk;
}

// ------------------------------------------------------------- the switch

int CSystemConfiguration::Is21CFREnabled() {
  StoreStatus status;
  return FeatureSwitchFromRecord(LoadRow(kRowFeatureSwitch, &status).get()) ? 1 : 0;
}

int CSystemConfiguration::Set21CFREnabled(int enabled, std::string_view reason) {
  const bool on = enabled != 0;
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
  if (EqualsNoCase(name, kIdleTimeoutName) && (value < 0 || value > kMaxIdleTimeoutMinutes)) {
    t_last_error = StrFormat("the idle timeout must be 0 to %d minutes", kMaxIdleTimeoutMinutes);
    std::lock_guard<std::mutex> lock(mutex_);
    if (Batch* batch = ThreadBatch(); batch != nullptr && batch->refused == kConfigOk) {
      batch->refused = kConfigInvalidValue;
    }
    return kConfigInvalidValue;
  }
  std::string key(name);
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
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = Db(&db);
  if (status.ok()) status = db->Read([](SqlDb& c) { return CheckSettingsSeal(c); });
  return ConfigCode(status);
}

int CSystemConfiguration::AcceptStoredSettings(std::string_view reason) {
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
      event.SetEvent(ActingUserName(), OleDateNow());
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

// ------------------------------------------------------- as a document

std::string CSystemConfiguration::GetFilePath() const {
  if (!database_path_.empty()) return database_path_;
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
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = Db(&db);
  if (status.ok()) status = db->Read([&](SqlDb& c) { return LoadConfigAuditTrail(c, &trail); });
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
