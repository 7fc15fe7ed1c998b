#include "services/config/system_configuration.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <vector>

#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/component_path_comp.h"
#include "services/config/config_records.h"
#include "services/config/settings_records.h"
#include "services/config/system_table.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/log_output.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/settings_seal.h"
#include "services/filelib/system_event_manager.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

using testing::TempDataDir;

const std::string kAnalysts = SystemTable::GetGroupName(kGroupAnalysts);
const std::string kOperators = SystemTable::GetGroupName(kGroupOperators);

std::vector<const CAuditEventComp*> Events(CListComp* trail) {
  std::vector<const CAuditEventComp*> out;
  if (trail == nullptr) return out;
  POSITION pos = trail->GetFirstChildPosition();
  while (pos != nullptr) out.push_back(dynamic_cast<const CAuditEventComp*>(trail->GetNextChild(pos)));
  return out;
}

std::vector<const CAuditEntryComp*> Entries(const CAuditEventComp* event) {
  std::vector<const CAuditEntryComp*> out;
  POSITION pos = event->GetFirstChildPosition();
  while (pos != nullptr) out.push_back(dynamic_cast<const CAuditEntryComp*>(event->GetNextChild(pos)));
  return out;
}

std::vector<int> SystemEventCodes() {
  CSystemEventManager manager;
  std::vector<int> codes;
  CAuditCollectionComp* list = manager.LoadEventList();
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(list->GetNextChild(pos));
    codes.push_back(Entries(event).at(0)->GetAuditCode());
  }
  return codes;
}

// Groups and their activity ids, without the names.
std::vector<std::pair<std::string, std::vector<int>>> Grants(const CTAVGroupRightsArray& rights) {
  std::vector<std::pair<std::string, std::vector<int>>> out;
  for (const CTAVGroupRights& group : rights.groups()) {
    std::vector<int> ids;
    for (const CTAVActivityRight& a : group.activities) ids.push_back(a.id);
    out.emplace_back(group.name, ids);
  }
  return out;
}

void Grant(CSystemConfiguration& config, const std::string& group, int activity) {
  CTAVGroupRightsArray rights;
  ASSERT_EQ(config.ReadActivityGroupArray(rights), kConfigOk);
  rights.Grant(group, activity);
  ASSERT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);
}

TEST(SystemConfiguration, ANewDataDirectoryHoldsTheDefaults) {
  TempDataDir dir;
  CSystemConfiguration config;
  EXPECT_EQ(config.Is21CFREnabled(), 0);
  EXPECT_EQ(config.GetConfigInt(kIdleTimeoutName, 0), 0);
  EXPECT_EQ(config.GetConfigInt("Something Else", 42), 42);

  CTAVGroupRightsArray rights;
  ASSERT_EQ(config.ReadActivityGroupArray(rights), kConfigOk);
  EXPECT_EQ(Grants(rights), Grants(DefaultGroupRights()));
  const std::list<std::string> admin = {"staff", "TAV-Admins"};
  EXPECT_EQ(config.IsActivityAllowed(admin, kActivityConfigureCompliance, nullptr), 1);
  const std::list<std::string> operators = {kOperators};
  EXPECT_EQ(config.IsActivityAllowed(operators, kActivityStartRun, nullptr), 1);
  EXPECT_EQ(config.IsActivityAllowed(operators, kActivityConfigureCompliance, nullptr), 0);
  EXPECT_EQ(config.IsActivityAllowed({}, kActivityStartRun, nullptr), 0);

  CTAVAuditDataTypeSettingArray audit;
  ASSERT_EQ(config.ReadAuditTypeSettingArray(audit), kConfigOk);
  for (int type : {0, 1, 5}) EXPECT_EQ(audit.GetRecordingType(type), kRecordingAudited);

  CTAVESigConfiguration esig;
  ASSERT_EQ(config.ReadESigConfiguration(kDataTypeRunFile, esig), kConfigOk);
  EXPECT_EQ(static_cast<int>(esig.size()), SystemTable::GetNumPredefinedESigReasons(0));
  ASSERT_EQ(config.ReadESigConfiguration(kDataTypeReport, esig), kConfigOk);
  EXPECT_TRUE(esig.empty());
  EXPECT_EQ(config.ReadESigConfiguration(6, esig), kConfigInvalidId);

  // Reading changes nothing: no audit event, no system event.
  EXPECT_TRUE(Events(config.GetAuditTrail()).empty());
  EXPECT_TRUE(SystemEventCodes().empty());
}

TEST(SystemConfiguration, CommentFlagsFollowTheRecordingTypeWhileTheFeaturesAreOn) {
  TempDataDir dir;
  CSystemConfiguration config;
  CTAVAuditDataTypeSettingArray audit;
  ASSERT_EQ(config.ReadAuditTypeSettingArray(audit), kConfigOk);
  audit.Add(kDataTypeTemplate, kRecordingReasonOptional);
  audit.Add(kDataTypeAnalysisSettings, kRecordingReasonRequired);
  audit.Add(kDataTypeReport, kRecordingNone);
  ASSERT_EQ(config.WriteAuditTypeSettingArray(audit), kConfigOk);

  bool ask = true, required = true;
  ASSERT_EQ(config.GetAuditCommentSetting(kDataTypeAnalysisSettings, ask, required), kConfigOk);
  EXPECT_FALSE(ask);  // features off
  EXPECT_FALSE(required);
  ASSERT_EQ(config.Set21CFREnabled(1), kConfigOk);
  ASSERT_EQ(config.GetAuditCommentSetting(kDataTypeAnalysisSettings, ask, required), kConfigOk);
  EXPECT_TRUE(ask);
  EXPECT_TRUE(required);
  ASSERT_EQ(config.GetAuditCommentSetting(kDataTypeTemplate, ask, required), kConfigOk);
  EXPECT_TRUE(ask);
  EXPECT_FALSE(required);
  ASSERT_EQ(config.GetAuditCommentSetting(kDataTypeReport, ask, required), kConfigOk);
  EXPECT_FALSE(ask);
  ask = required = true;
  EXPECT_EQ(config.GetAuditCommentSetting(6, ask, required), kConfigInvalidId);
  EXPECT_TRUE(ask && required);  // untouched
}

TEST(SystemConfiguration, OneChangedGrantIsOneAuditEntryNamingGroupAndActivity) {
  TempDataDir dir;
  CSystemConfiguration config;
  CTAVGroupRightsArray rights;
  ASSERT_EQ(config.ReadActivityGroupArray(rights), kConfigOk);
  rights.Grant(kAnalysts, kActivityManageRunList);
  ASSERT_EQ(config.WriteActivityGroupArray(rights, "new SOP 12"), kConfigOk);
  rights.Revoke(kAnalysts, kActivityPrintReports);
  ASSERT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);
  // Writing the same rights again changes nothing and audits nothing.
  ASSERT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);

  const auto events = Events(config.GetAuditTrail());
  ASSERT_EQ(events.size(), 2u);
  EXPECT_EQ(events[0]->GetEvent().GetUserName(), ActingUserName());
  EXPECT_EQ(events[0]->GetReasonForChange(), "new SOP 12");

  auto granted = Entries(events[0]);
  ASSERT_EQ(granted.size(), 1u);
  EXPECT_EQ(granted[0]->GetAuditCode(), kAuditAddedRecord);
  EXPECT_EQ(granted[0]->GetRecord(), nullptr);
  const CComponentPathComp* path = granted[0]->GetRecordPath();
  ASSERT_NE(path, nullptr);
  EXPECT_EQ(path->GetPathText(), "ACss\\CFIt\\CTRa");
  POSITION pos = path->GetFirstChildPosition();
  path->GetNextChild(pos);
  EXPECT_EQ(dynamic_cast<const CConfigItemComp*>(path->GetNextChild(pos))->GetKey(), kAnalysts);
  EXPECT_EQ(dynamic_cast<const CShortComp*>(path->GetNextChild(pos))->GetValue(),
            kActivityManageRunList);

  auto revoked = Entries(events[1]);
  ASSERT_EQ(revoked.size(), 1u);
  EXPECT_EQ(revoked[0]->GetAuditCode(), kAuditDeletedRecord);
  ASSERT_NE(revoked[0]->GetRecord(), nullptr);
  EXPECT_EQ(dynamic_cast<const CShortComp*>(revoked[0]->GetRecord())->GetValue(),
            kActivityPrintReports);
  EXPECT_EQ(revoked[0]->GetRecordPath()->GetPathText(), "ACss\\CFIt");

  // The trail is chained like the event log.
  ChainReport report;
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  ASSERT_TRUE(db->Read([&](SqlDb& c) {
                  return VerifyChain(c, ChainedLog::kConfigAudit, &report);
                }).ok());
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 2u);
}

TEST(SystemConfiguration, ABatchStoresEveryChangeOrNone) {
  TAV_SKIP_ON_LAB_STORE("edits the database file");
  TempDataDir dir;
  // The database takes its wait for locks when it opens.
  const auto saved = ComplianceDb::BusyTimeout();
  ComplianceDb::SetBusyTimeout(std::chrono::milliseconds(200));
  CSystemConfiguration config;
  ASSERT_EQ(config.Set21CFREnabled(1), kConfigOk);
  ASSERT_EQ(config.SetConfigInt("Idle Timeout", 20), kConfigOk);
  ComplianceDb::SetBusyTimeout(saved);
  CTAVGroupRightsArray rights;
  ASSERT_EQ(config.ReadActivityGroupArray(rights), kConfigOk);
  const size_t events_before = Events(config.GetAuditTrail()).size();

  // A refused change drops the changes queued before it.
  config.BeginBatch();
  rights.Grant(kAnalysts, kActivityManageRunList);
  ASSERT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);  // queued
  ASSERT_EQ(config.Set21CFREnabled(0), kConfigOk);
  EXPECT_EQ(config.SetConfigInt("Idle Timeout", 601), kConfigInvalidValue);
  EXPECT_EQ(config.CommitBatch(), kConfigInvalidValue);
  EXPECT_EQ(config.IsActivityAllowed({kAnalysts}, kActivityManageRunList, nullptr), 0);
  EXPECT_EQ(config.Is21CFREnabled(), 1);
  EXPECT_EQ(Events(config.GetAuditTrail()).size(), events_before);

  // A locked database past its wait stores nothing either.
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(db->path().c_str(), &other), SQLITE_OK);
  config.BeginBatch();
  ASSERT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);
  ASSERT_EQ(config.SetConfigInt("Idle Timeout", 45), kConfigOk);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
  const int locked = config.CommitBatch();
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);
  EXPECT_NE(locked, kConfigOk);
  EXPECT_EQ(config.GetConfigInt("Idle Timeout", 0), 20);
  EXPECT_EQ(config.IsActivityAllowed({kAnalysts}, kActivityManageRunList, nullptr), 0);

  // Committed: both land, each with its audit event under the acting user.
  config.BeginBatch();
  ASSERT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);
  ASSERT_EQ(config.SetConfigInt("Idle Timeout", 45), kConfigOk);
  EXPECT_EQ(config.GetConfigInt("Idle Timeout", 0), 20);  // not yet
  ASSERT_EQ(config.CommitBatch(), kConfigOk);
  EXPECT_EQ(config.GetConfigInt("Idle Timeout", 0), 45);
  EXPECT_EQ(config.IsActivityAllowed({kAnalysts}, kActivityManageRunList, nullptr), 1);
  const auto events = Events(config.GetAuditTrail());
  ASSERT_EQ(events.size(), events_before + 2);
  EXPECT_EQ(events.back()->GetEvent().GetUserName(), ActingUserName());
}

TEST(SystemConfiguration, SwitchingTheFeaturesWritesSystemEventsEightAndNine) {
  TempDataDir dir;
  CSystemConfiguration config;
  ASSERT_EQ(config.Set21CFREnabled(1), kConfigOk);
  ASSERT_EQ(config.Set21CFREnabled(5), kConfigOk);  // still on: no event
  EXPECT_EQ(config.Is21CFREnabled(), 1);
  ASSERT_EQ(config.Set21CFREnabled(0), kConfigOk);
  EXPECT_EQ(config.Is21CFREnabled(), 0);
  EXPECT_EQ(SystemEventCodes(), (std::vector<int>{kAuditEnabled21CFR11, kAuditDisabled21CFR11}));
  const auto events = Events(config.GetAuditTrail());
  ASSERT_EQ(events.size(), 2u);
  auto entries = Entries(events[1]);
  ASSERT_EQ(entries.size(), 1u);
  EXPECT_EQ(entries[0]->GetAuditCode(), kAuditChangedRecord);
  EXPECT_EQ(dynamic_cast<const CByteComp*>(entries[0]->GetRecord())->GetValue(), 1);
}

TEST(SystemConfiguration, IdleTimeoutOutsideItsRangeIsRefused) {
  TempDataDir dir;
  CSystemConfiguration config;
  EXPECT_EQ(config.SetConfigInt(kIdleTimeoutName, 601), kConfigInvalidValue);
  EXPECT_EQ(config.SetConfigInt(kIdleTimeoutName, -1), kConfigInvalidValue);
  EXPECT_EQ(config.SetConfigInt(kIdleTimeoutName, 600), kConfigOk);
  EXPECT_EQ(config.SetConfigInt("idle timeout", 15), kConfigOk);  // one setting, any case
  EXPECT_EQ(config.GetConfigInt(kIdleTimeoutName, 0), 15);
  EXPECT_EQ(config.SetConfigInt("Retries", -3), kConfigOk);
  EXPECT_EQ(config.GetConfigInt("Retries", 0), -3);
  EXPECT_EQ(Events(config.GetAuditTrail()).size(), 3u);
}

TEST(SystemConfiguration, ConcurrentWritersKeepEachOthersChanges) {
  TempDataDir dir;
  CSystemConfiguration a, b;
  CTAVGroupRightsArray ra, rb;
  ASSERT_EQ(a.ReadActivityGroupArray(ra), kConfigOk);
  ASSERT_EQ(b.ReadActivityGroupArray(rb), kConfigOk);
  ra.Grant(kOperators, kActivityAnalyzeData);
  rb.Grant(kOperators, kActivityExportData);
  rb.Revoke(kOperators, kActivityPrintReports);
  ASSERT_EQ(a.WriteActivityGroupArray(ra), kConfigOk);
  ASSERT_EQ(b.WriteActivityGroupArray(rb), kConfigOk);

  CSystemConfiguration reader;
  CTAVGroupRightsArray now;
  ASSERT_EQ(reader.ReadActivityGroupArray(now), kConfigOk);
  EXPECT_TRUE(now.IsGranted(kOperators, kActivityAnalyzeData));
  EXPECT_TRUE(now.IsGranted(kOperators, kActivityExportData));
  EXPECT_FALSE(now.IsGranted(kOperators, kActivityPrintReports));
  EXPECT_TRUE(now.IsGranted(kOperators, kActivityStartRun));

  // The same for the signature settings of two data types.
  CTAVESigConfiguration run, method;
  ASSERT_EQ(a.ReadESigConfiguration(kDataTypeRunFile, run), kConfigOk);
  ASSERT_EQ(b.ReadESigConfiguration(kDataTypeMethod, method), kConfigOk);
  ESigReason reason;
  ASSERT_TRUE(SystemTable::GetESigReason(1, reason, kDataTypeRunFile));
  run.SetSetting(reason, kESigSettingRequired);
  ASSERT_TRUE(SystemTable::GetESigReason(0, reason, kDataTypeMethod));
  method.SetSetting(reason, kESigSettingNone);
  ASSERT_EQ(b.WriteESigConfiguration(kDataTypeMethod, method), kConfigOk);
  ASSERT_EQ(a.WriteESigConfiguration(kDataTypeRunFile, run), kConfigOk);
  CTAVESigConfiguration check;
  ASSERT_EQ(reader.ReadESigConfiguration(kDataTypeRunFile, check), kConfigOk);
  EXPECT_EQ(check, run);
  ASSERT_EQ(reader.ReadESigConfiguration(kDataTypeMethod, check), kConfigOk);
  EXPECT_EQ(check, method);
}

TEST(SystemConfiguration, TwoProcessesGrantingAtOnceLoseNoGrant) {
  TempDataDir dir;
  std::vector<pid_t> children;
  for (const std::string& group : {kAnalysts, kOperators}) {
    const pid_t pid = fork();
    if (pid == 0) {
      CSystemConfiguration config;
      for (int activity = 0; activity < kActivityCount; ++activity) {
        CTAVGroupRightsArray rights;
        if (config.ReadActivityGroupArray(rights) != kConfigOk) _exit(1);
        rights.Grant(group, activity);
        if (config.WriteActivityGroupArray(rights) != kConfigOk) _exit(2);
      }
      _exit(0);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  }
  CSystemConfiguration config;
  for (int activity = 0; activity < kActivityCount; ++activity) {
    EXPECT_EQ(config.IsActivityAllowed({kAnalysts}, activity, nullptr), 1) << activity;
    EXPECT_EQ(config.IsActivityAllowed({kOperators}, activity, nullptr), 1) << activity;
  }
}

// Runs SQL on the database behind the service's back, as someone with the
// file and the sqlite3 tool would; ?1 is `blob` when given.
void Tamper(const TempDataDir& dir, const char* sql, const std::string* blob = nullptr) {
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File(kComplianceDbFileName).c_str(), &db), SQLITE_OK);
  sqlite3_stmt* stmt = nullptr;
  ASSERT_EQ(sqlite3_prepare_v2(db, sql, -1, &stmt, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
  if (blob != nullptr) {
    sqlite3_bind_blob(stmt, 1, blob->data(), static_cast<int>(blob->size()), SQLITE_TRANSIENT);
  }
  EXPECT_EQ(sqlite3_step(stmt), SQLITE_DONE) << sqlite3_errmsg(db);
  sqlite3_finalize(stmt);
  sqlite3_close(db);
}

std::string ChunkOf(CComponent& record) {
  CMemFile file(64);
  record.StreamDataOut(&file);
  return file.TakeString();
}

TEST(SystemConfiguration, SettingsChangedBehindTheServiceFailClosedUntilAccepted) {
  TAV_SKIP_ON_LAB_STORE("the seal of the settings is the embedded store's");
  TempDataDir dir;
  std::vector<std::string> lines;
  LogSink previous = SetLogSink([&](std::string_view line) { lines.emplace_back(line); });
  {
    CSystemConfiguration config;
    ASSERT_EQ(config.Set21CFREnabled(1), kConfigOk);
    ASSERT_EQ(config.SetConfigInt(kIdleTimeoutName, 5), kConfigOk);
    EXPECT_EQ(config.VerifySettings(), kConfigOk);
    ASSERT_EQ(config.IsActivityAllowed({"tav-admins"}, 0, nullptr), 1);

    // One DELETE would switch the features off: refused instead, and values
    // read before are not answered either.
    Tamper(dir, "DELETE FROM settings WHERE name = '21EN'");
    EXPECT_EQ(config.Is21CFREnabled(), 1);
    EXPECT_EQ(config.IsActivityAllowed({"tav-admins"}, 0, nullptr), 0);
    // The idle timeout falls back to its finite default, never to "none".
    EXPECT_EQ(config.GetConfigInt(kIdleTimeoutName, 0), kFailClosedIdleTimeoutMinutes);
    CTAVGroupRightsArray rights;
    EXPECT_EQ(config.ReadActivityGroupArray(rights), kConfigStorageError);
    EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
    EXPECT_NE(CSystemConfiguration::LastErrorMessage().find("do not match their seal"),
              std::string::npos)
        << CSystemConfiguration::LastErrorMessage();
    // A change on top would seal what was done: refused.
    EXPECT_EQ(config.SetConfigInt(kIdleTimeoutName, 6), kConfigStorageError);

    // Put back byte for byte, the settings match again.
    std::string on = ChunkOf(*FeatureSwitchRecord(true));
    Tamper(dir, "INSERT INTO settings(name, record) VALUES('21EN', ?1)", &on);
    EXPECT_EQ(config.VerifySettings(), kConfigOk);
    EXPECT_EQ(config.GetConfigInt(kIdleTimeoutName, 0), 5);

    // An edited value, and a row added.
    std::string off = ChunkOf(*FeatureSwitchRecord(false));
    Tamper(dir, "UPDATE settings SET record = ?1 WHERE name = '21EN'", &off);
    EXPECT_EQ(config.Is21CFREnabled(), 1);
    EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
    Tamper(dir, "UPDATE settings SET record = ?1 WHERE name = '21EN'", &on);
    Tamper(dir, "INSERT INTO settings(name, record) VALUES('ACss', x'00')");
    EXPECT_EQ(config.IsActivityAllowed({"tav-admins"}, 0, nullptr), 0);
    // Damaged settings are not accepted.
    EXPECT_EQ(config.AcceptStoredSettings("reviewed"), kConfigStorageError);
    Tamper(dir, "DELETE FROM settings WHERE name = 'ACss'");
    EXPECT_EQ(config.VerifySettings(), kConfigOk);

    // An administrator who has reviewed an edit accepts it; the trail says so.
    Tamper(dir, "UPDATE settings SET record = ?1 WHERE name = '21EN'", &off);
    ASSERT_EQ(config.AcceptStoredSettings("restored from backup"), kConfigOk);
    EXPECT_EQ(config.VerifySettings(), kConfigOk);
    EXPECT_EQ(config.Is21CFREnabled(), 0);
    std::vector<const CAuditEventComp*> events = Events(config.GetAuditTrail());
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[2]->GetReasonForChange(),
              std::string(kAcceptedSettingsReason) + "restored from backup");
    EXPECT_EQ(config.SetConfigInt(kIdleTimeoutName, 6), kConfigOk);
    EXPECT_EQ(config.VerifySettings(), kConfigOk);
  }
  SetLogSink(std::move(previous));
  ASSERT_FALSE(lines.empty());
  EXPECT_NE(lines[0].find("configuration refused"), std::string::npos) << lines[0];
}

TEST(SystemConfiguration, AStoreWithoutSealIsSealedAsItStandsWhenOpened) {
  TAV_SKIP_ON_LAB_STORE("the seal of the settings is the embedded store's");
  TempDataDir dir;
  {
    CSystemConfiguration config;
    ASSERT_EQ(config.Set21CFREnabled(1), kConfigOk);
  }
  // A store as the previous version left it.
  Tamper(dir, "DROP TABLE settings_seal");
  Tamper(dir, "PRAGMA user_version = 1");
  ComplianceDb::ReleaseCache();
  CSystemConfiguration config;
  EXPECT_EQ(config.VerifySettings(), kConfigOk);
  EXPECT_EQ(config.Is21CFREnabled(), 1);
  Tamper(dir, "DELETE FROM settings WHERE name = '21EN'");
  EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
  EXPECT_EQ(config.Is21CFREnabled(), 1);
  // Removing the seal is no way back to an unsealed store.
  Tamper(dir, "DROP TABLE settings_seal");
  EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
}

// Whoever may write the database but not read the service's keys cannot
// seal settings of his own: the old unkeyed seal, recomputed over an edit,
// is refused once the store has keys, and so is a seal whose key file went.
TEST(SystemConfiguration, SettingsSealedWithTheServicesKeyCannotBeResealedWithoutIt) {
  TAV_SKIP_ON_LAB_STORE("the seal of the settings is the embedded store's");
  TempDataDir dir;
  CSystemConfiguration config;
  ASSERT_EQ(config.Set21CFREnabled(1), kConfigOk);
  VerificationKey key;
  SigningPublicKey signing;
  ASSERT_TRUE(CreateSealingKey(dir.path(), 900, false, &key).ok());
  ASSERT_TRUE(CreateServiceKeys(dir.path(), key, false, &signing).ok());
  // The old, unkeyed seal no longer passes now that the store has keys.
  EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
  ASSERT_EQ(config.AcceptStoredSettings("keys made"), kConfigOk);
  ASSERT_EQ(config.SetConfigInt(kIdleTimeoutName, 5), kConfigOk);
  ASSERT_EQ(config.VerifySettings(), kConfigOk);

  // The features switched off, with a seal as the previous version made it.
  auto forge = [&](bool keep_key_id) {
    std::string off = ChunkOf(*FeatureSwitchRecord(false));
    Tamper(dir, "UPDATE settings SET record = ?1 WHERE name = '21EN'", &off);
    std::shared_ptr<ComplianceDb> db;
    ASSERT_TRUE(ComplianceDb::GetAt(dir.File(kComplianceDbFileName), &db).ok());
    uint64_t trail_seq = 0;
    ChainHash seal{};
    ASSERT_TRUE(db->Read([&](SqlDb& c) { return ComputeSettingsSeal(c, nullptr, &trail_seq, &seal); })
                    .ok());
    const std::string bytes(reinterpret_cast<const char*>(seal.data()), seal.size());
    Tamper(dir,
           keep_key_id ? "UPDATE settings_seal SET seal = ?1"
                       : "UPDATE settings_seal SET seal = ?1, key_id = NULL",
           &bytes);
  };
  forge(true);
  EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
  EXPECT_EQ(config.Is21CFREnabled(), 1);
  forge(false);
  EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
  EXPECT_NE(CSystemConfiguration::LastErrorMessage().find("not made with the service's key"),
            std::string::npos)
      << CSystemConfiguration::LastErrorMessage();
  EXPECT_EQ(config.Is21CFREnabled(), 1);
  std::string on = ChunkOf(*FeatureSwitchRecord(true));
  Tamper(dir, "UPDATE settings SET record = ?1 WHERE name = '21EN'", &on);
  ASSERT_EQ(config.AcceptStoredSettings("restored"), kConfigOk);
  ASSERT_EQ(config.VerifySettings(), kConfigOk);

  // Without the key file nothing is sealed at all: not the edit, and not a
  // change made through the library, which would otherwise seal it unkeyed.
  ASSERT_EQ(::unlink(dir.File(kServiceKeyFileName).c_str()), 0);
  EXPECT_EQ(config.VerifySettings(), kConfigStorageError);
  EXPECT_NE(CSystemConfiguration::LastErrorMessage().find("is missing"), std::string::npos)
      << CSystemConfiguration::LastErrorMessage();
  EXPECT_EQ(config.AcceptStoredSettings("edited"), kConfigStorageError);
  EXPECT_EQ(config.Is21CFREnabled(), 1);
}

TEST(SystemConfiguration, AFailedReadBlocksWritesUntilTheNextRead) {
  TAV_SKIP_ON_LAB_STORE("edits the database file");
  TempDataDir dir;
  std::vector<std::string> lines;
  LogSink previous = SetLogSink([&](std::string_view line) { lines.emplace_back(line); });
  {
    CSystemConfiguration config;
    ASSERT_EQ(config.SetConfigInt(kIdleTimeoutName, 5), kConfigOk);
    Tamper(dir, "INSERT INTO settings(name, record) VALUES('ACss', x'00')");
    CTAVGroupRightsArray rights;
    EXPECT_EQ(config.ReadActivityGroupArray(rights), kConfigStorageError);
    EXPECT_EQ(rights.GetSize(), 0u);
    EXPECT_EQ(config.WriteActivityGroupArray(rights), kConfigStorageError);

    // Once the damage is gone, the empty array that the failed read left is
    // still not written over the settings; a new read makes writes possible.
    Tamper(dir, "DELETE FROM settings WHERE name = 'ACss'");
    EXPECT_EQ(config.WriteActivityGroupArray(rights), kConfigStorageError);
    EXPECT_EQ(config.IsActivityAllowed({"tav-admins"}, 0, nullptr), 1);
    ASSERT_EQ(config.ReadActivityGroupArray(rights), kConfigOk);
    rights.Grant(kOperators, kActivityAnalyzeData);
    EXPECT_EQ(config.WriteActivityGroupArray(rights), kConfigOk);
    EXPECT_EQ(config.IsActivityAllowed({"tav-admins"}, 0, nullptr), 1);
  }
  SetLogSink(std::move(previous));
}

TEST(SystemConfiguration, TheConfigurationIsADocumentWithItsAuditTrail) {
  TempDataDir dir;
  CSystemConfiguration config;
  Grant(config, kOperators, kActivityAnalyzeData);
  // The file of the embedded store, or the lab store's name.
  if (testing::TestsUseLabStore()) {
    EXPECT_EQ(config.GetFilePath().rfind("postgresql://", 0), 0u) << config.GetFilePath();
  } else {
    EXPECT_EQ(config.GetFilePath(), dir.File(kComplianceDbFileName));
  }
  auto* rights = dynamic_cast<CListComp*>(config.FindComponent("ACss"));
  ASSERT_NE(rights, nullptr);
  EXPECT_EQ(rights->GetChildCount(), 4u);
  EXPECT_NE(config.FindComponent("ACss\\CFIt\\CTRa"), nullptr);
  EXPECT_EQ(config.FindComponent("ACss\\"), nullptr);
  EXPECT_EQ(config.FindComponent("GLBL"), nullptr);
  CListComp* trail = config.GetAuditTrail();
  ASSERT_NE(trail, nullptr);
  EXPECT_TRUE(trail->GetTag().Is("AUDT"));
  EXPECT_EQ(trail->GetChildCount(), 1u);
}

}  // namespace
}  // namespace tav
