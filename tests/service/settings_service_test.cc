// The compliance settings through a real compliance service: this process
// reads and writes them only through tavsecd, which checks the acting
// logon's right, the records it is sent and names the user itself. The
// attacks are those of a client process: forged records, another
// connection's logon, a batch with one bad write, a password check
// replaced in tavsec.
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <unistd.h>

#include <string>

#include "client/security_proxy.h"
#include "client/service_client.h"
#include "client/settings_proxy.h"
#include "client/store_routes.h"
#include "protocol/settings_ops.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "records/value_comps.h"
#include "services/config/settings_checks.h"
#include "services/config/settings_records.h"
#include "services/config/system_configuration.h"
#include "service_test_support.h"
#include "testing/run_command.h"
#include "testing/service_process.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using protocol::SettingWrite;
using protocol::WriteSettingsReply;
using protocol::WriteSettingsRequest;

constexpr int kConfigure = 0;

class SettingsServiceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testing::AddAccount("alice", "Alice-Pass1", {"tav-admins"});
    testing::AddAccount("bob", "Bob-Pass2", {"tav-analysts"});
    testing::AddAccount("qa", "QA-Pass3", {}, "", true);
    service_ = std::make_unique<testing::ServiceProcess>(data_dir_.path());
    ASSERT_TRUE(service_->ready()) << "tavsecd did not start";
    ASSERT_TRUE(UsesComplianceService());
    client::RouteStoreToService();
  }
  void TearDown() override {
    for (HANDLE* token : {&alice_, &bob_, &qa_}) client::EndImpersonation(token);
    DisconnectFromService();
  }

  // Logs `user` on in the service; the thread then acts for it.
  HANDLE LogOn(const char* user, const char* password) {
    HANDLE token = nullptr;
    EXPECT_EQ(client::ImpersonateUser(user, "", password, &token), 0) << user;
    return token;
  }

  // Switches the features on as alice, who holds the right.
  void FeaturesOnAsAlice() {
    alice_ = LogOn("alice", "Alice-Pass1");
    ASSERT_EQ(theSystemConfig.Set21CFREnabled(1, "go live"), kConfigOk)
        << CSystemConfiguration::LastErrorMessage();
  }

  // The trail as this process reads it through the service: "user|reason".
  std::vector<std::string> Trail() {
    std::vector<std::string> lines;
    CListComp* trail = theSystemConfig.GetAuditTrail();
    EXPECT_NE(trail, nullptr) << CSystemConfiguration::LastErrorMessage();
    if (trail == nullptr) return lines;
    for (POSITION pos = trail->GetFirstChildPosition(); pos != nullptr;) {
      auto* event = dynamic_cast<CAuditEventComp*>(trail->GetNextChild(pos));
      if (event != nullptr) lines.push_back(event->GetEvent().GetUserName() + "|" + event->GetReasonForChange());
    }
    return lines;
  }

  // A raw write request on this process's connection, as a client that
  // does not use CSystemConfiguration would send it.
  WriteSettingsReply RawWrite(std::vector<SettingWrite> writes,
                              protocol::Actor actor = client::CurrentActor()) {
    WriteSettingsRequest request;
    request.actor = actor;
    request.writes = std::move(writes);
    std::string payload;
    WriteSettingsReply reply;
    reply.code = -999;
    if (!CallService(protocol::EncodeRequest(request), &payload).ok()) return reply;
    protocol::MessageReader reader(payload);
    if (!protocol::ReadReplyStatus(reader, protocol::kOpWriteSettings).ok() ||
        !protocol::DecodeReply(reader, &reply).ok()) {
      reply.code = -998;
    }
    return reply;
  }

  static SettingWrite IdleTimeoutWrite(int minutes) {
    return {kRowNumbers, false, "", SettingRecordBytes(*WithNumber(nullptr, kIdleTimeoutName, minutes)),
            "raw"};
  }

  testing::TempDataDir data_dir_;
  std::unique_ptr<testing::ServiceProcess> service_;
  HANDLE alice_ = nullptr;
  HANDLE bob_ = nullptr;
  HANDLE qa_ = nullptr;
};

TEST_F(SettingsServiceTest, AChangeIsSeenByOtherProcessesAndTheTrailNamesTheServicesUser) {
  FeaturesOnAsAlice();
  ASSERT_EQ(theSystemConfig.SetConfigInt(kIdleTimeoutName, 30, "SOP 7"), kConfigOk)
      << CSystemConfiguration::LastErrorMessage();

  // Another process reads it through the service, and so does this one.
  const testing::CommandResult shown =
      testing::RunCommand(std::string(TAVSEC_PATH) + " config show");
  EXPECT_EQ(shown.exit_code, 0) << shown.err;
  EXPECT_NE(shown.out.find("21 CFR Part 11 features: on\nIdle timeout: 30 minutes\n"),
            std::string::npos)
      << shown.out;
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 30);
  EXPECT_EQ(theSystemConfig.Is21CFREnabled(), 1);
  const auto* flag = dynamic_cast<const CByteComp*>(theSystemConfig.FindComponent("21EN"));
  ASSERT_NE(flag, nullptr);
  EXPECT_EQ(flag->GetValue(), 1);
  if (!testing::TestsUseLabStore()) {
    // The store itself holds it (read by path, not through the service).
    CSystemConfiguration store(data_dir_.File("compliance.db"));
    EXPECT_EQ(store.GetConfigInt(kIdleTimeoutName, -1), 30);
    EXPECT_EQ(store.VerifySettings(), kConfigOk);
  }

  EXPECT_EQ(Trail(), (std::vector<std::string>{"alice|go live", "alice|SOP 7"}));
  // A page starts where it is asked to.
  client::SettingsProxy proxy;
  RemoteTrailPage page;
  ASSERT_TRUE(proxy.ReadTrail(2, &page).ok());
  EXPECT_EQ(page.numbers, std::vector<uint64_t>{2});
  EXPECT_FALSE(page.more);
  ASSERT_TRUE(proxy.ReadTrail(3, &page).ok());
  EXPECT_TRUE(page.events.empty());
  // The switch is a system event of the same user.
  const std::vector<std::string> events = testing::EventLines();
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.back(), "alice, Enabled 21CFR11");
}

TEST_F(SettingsServiceTest, QueriesAndTheAccessAnswerFollowTheStoredRightsWithoutACache) {
  FeaturesOnAsAlice();
  bob_ = LogOn("bob", "Bob-Pass2");
  EXPECT_EQ(client::MayPerform(alice_, kConfigure), 1);
  EXPECT_EQ(client::MayPerform(bob_, kConfigure), 0);
  EXPECT_EQ(client::MayPerform(bob_, kActivityStartRun), 1);
  // Groups given by the caller are the caller's affair; the answer for a
  // logon comes from the groups the service holds.
  TamberTAV2ErrorCodes error = kConfigStorageError;
  EXPECT_EQ(theSystemConfig.IsActivityAllowed({"tav-analysts"}, kConfigure, &error), 0);
  EXPECT_EQ(error, kConfigOk);

  ASSERT_EQ(client::ImpersonateFromToken(alice_), 0);
  CTAVGroupRightsArray rights;
  ASSERT_EQ(theSystemConfig.ReadActivityGroupArray(rights), kConfigOk);
  rights.Grant("tav-analysts", kConfigure);
  ASSERT_EQ(theSystemConfig.WriteActivityGroupArray(rights, "analysts configure"), kConfigOk)
      << CSystemConfiguration::LastErrorMessage();
  EXPECT_EQ(client::MayPerform(bob_, kConfigure), 1);
  EXPECT_EQ(theSystemConfig.IsActivityAllowed({"TAV-Analysts"}, kConfigure, nullptr), 1);

  ASSERT_EQ(theSystemConfig.Set21CFREnabled(0), kConfigOk);
  EXPECT_EQ(client::MayPerform(bob_, 12345), 1);  // everything while off
  // A token this process never had, or one closed, gets no right.
  HANDLE closed = LogOn("bob", "Bob-Pass2");
  client::CloseToken(closed);
  EXPECT_EQ(client::MayPerform(closed, kActivityStartRun), 0);
  EXPECT_EQ(client::MayPerform(reinterpret_cast<HANDLE>(0x7a5e0001 + 4000), 1), 0);
}

TEST_F(SettingsServiceTest, AUserWithoutTheRightIsRefusedAndNothingIsStored) {
  FeaturesOnAsAlice();
  const std::vector<std::string> before = Trail();
  bob_ = LogOn("bob", "Bob-Pass2");
  EXPECT_EQ(theSystemConfig.SetConfigInt(kIdleTimeoutName, 5, "mine"), kConfigAccessDenied);
  EXPECT_NE(CSystemConfiguration::LastErrorMessage().find("\"bob\" may not change the "
                                                          "configuration"),
            std::string::npos)
      << CSystemConfiguration::LastErrorMessage();
  EXPECT_EQ(theSystemConfig.Set21CFREnabled(0), kConfigAccessDenied);
  EXPECT_EQ(theSystemConfig.AcceptStoredSettings("trust me"), kConfigAccessDenied);

  // Without a logon, the features on: refused too, also for root.
  client::RevertToSelf();
  EXPECT_EQ(theSystemConfig.SetConfigInt(kIdleTimeoutName, 5), kConfigAccessDenied);

  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 0);
  EXPECT_EQ(theSystemConfig.Is21CFREnabled(), 1);
  EXPECT_EQ(Trail(), before);
}

TEST_F(SettingsServiceTest, AnotherConnectionsLogonNumberIsRefused) {
  FeaturesOnAsAlice();
  const std::vector<std::string> before = Trail();
  // Alice's logon number, sent on a connection that does not hold it: what
  // another process on the machine would try.
  const protocol::Actor stolen = client::CurrentActor();
  ASSERT_GT(stolen.logon, 0);
  std::string error;
  const int fd = ConnectUnixSocket(service_->socket(), &error);
  ASSERT_GE(fd, 0) << error;
  WriteSettingsRequest request;
  request.actor = stolen;
  request.writes.push_back(IdleTimeoutWrite(1));
  WriteSettingsReply reply;
  ASSERT_TRUE(testing::Call(fd, protocol::EncodeRequest(request), protocol::kOpWriteSettings,
                            &reply));
  EXPECT_EQ(reply.code, 6);
  protocol::MayPerformReply may;
  ASSERT_TRUE(testing::Call(fd, protocol::EncodeRequest(protocol::MayPerformRequest{stolen.logon, 0}),
                            protocol::kOpMayPerform, &may));
  EXPECT_EQ(may.code, 6);
  EXPECT_FALSE(may.allowed);
  close(fd);
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 0);
  EXPECT_EQ(Trail(), before);
}

TEST_F(SettingsServiceTest, ForgedRecordsAreRefusedAndNothingIsStored) {
  FeaturesOnAsAlice();
  const std::vector<std::string> before = Trail();
  const std::string rights = SettingRecordBytes(*RightsRecord(DefaultGroupRights()));
  const struct {
    const char* what;
    SettingWrite write;
  } kForged[] = {
      {"another kind", {kRowFeatureSwitch, false, "", rights, ""}},
      {"out of range", IdleTimeoutWrite(100000)},
      {"negative", IdleTimeoutWrite(-1)},
      {"garbage", {kRowRights, false, "", std::string("\x01\x02garbage", 9), ""}},
      {"bytes after the record", {kRowRights, false, "", rights + "x", ""}},
      {"a forged base", {kRowRights, true, "junk", rights, ""}},
      {"not a row", {"PASS", false, "", rights, ""}},
      {"switch value 7", {kRowFeatureSwitch, false, "",
                          SettingRecordBytes(CByteComp(kRowFeatureSwitch, 7)), ""}},
  };
  for (const auto& forged : kForged) {
    const WriteSettingsReply reply = RawWrite({forged.write});
    EXPECT_LT(reply.code, 0) << forged.what;
    EXPECT_GT(reply.code, -100) << forged.what << ": " << reply.message;
    EXPECT_FALSE(reply.message.empty()) << forged.what;
  }
  // An activity that does not exist, granted in an otherwise good record.
  CTAVGroupRightsArray bad = DefaultGroupRights();
  bad.Grant("tav-analysts", 999);
  EXPECT_EQ(RawWrite({{kRowRights, false, "", SettingRecordBytes(*RightsRecord(bad)), ""}}).code,
            kConfigInvalidValue);

  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 0);
  EXPECT_EQ(theSystemConfig.Is21CFREnabled(), 1);
  EXPECT_EQ(Trail(), before);
  // The connection goes on: a good write still lands.
  EXPECT_EQ(RawWrite({IdleTimeoutWrite(20)}).code, 0);
}

TEST_F(SettingsServiceTest, ABatchIsStoredWholeOrNotAtAll) {
  FeaturesOnAsAlice();
  std::vector<std::string> before = Trail();
  // One bad write among good ones: none lands.
  WriteSettingsReply reply =
      RawWrite({IdleTimeoutWrite(45), {kRowFeatureSwitch, false, "", "junk", ""}});
  EXPECT_NE(reply.code, 0);
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 0);
  EXPECT_EQ(Trail(), before);

  // Through the API: a refused user's batch stores nothing...
  bob_ = LogOn("bob", "Bob-Pass2");
  theSystemConfig.BeginBatch();
  EXPECT_EQ(theSystemConfig.SetConfigInt(kIdleTimeoutName, 45), kConfigOk);  // queued
  EXPECT_EQ(theSystemConfig.Set21CFREnabled(0), kConfigOk);
  EXPECT_EQ(theSystemConfig.CommitBatch(), kConfigAccessDenied);
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 0);
  EXPECT_EQ(Trail(), before);

  // ...and a permitted one stores every write, each with its event.
  ASSERT_EQ(client::ImpersonateFromToken(alice_), 0);
  theSystemConfig.BeginBatch();
  CTAVAuditDataTypeSettingArray audit;
  ASSERT_EQ(theSystemConfig.ReadAuditTypeSettingArray(audit), kConfigOk);
  audit.Add(kDataTypeTemplate, kRecordingReasonRequired);
  EXPECT_EQ(theSystemConfig.WriteAuditTypeSettingArray(audit, "one"), kConfigOk);
  EXPECT_EQ(theSystemConfig.SetConfigInt(kIdleTimeoutName, 45, "two"), kConfigOk);
  EXPECT_EQ(theSystemConfig.CommitBatch(), kConfigOk) << CSystemConfiguration::LastErrorMessage();
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 45);
  bool ask = false;
  bool required = false;
  ASSERT_EQ(theSystemConfig.GetAuditCommentSetting(kDataTypeTemplate, ask, required), kConfigOk);
  EXPECT_TRUE(required);
  before.push_back("alice|one");
  before.push_back("alice|two");
  EXPECT_EQ(Trail(), before);
}

// The trail outgrows one reply: the client reads it page by page, every
// event once and in order.
TEST_F(SettingsServiceTest, TheTrailComesInPagesAndWhole) {
  FeaturesOnAsAlice();
  const std::string long_reason(protocol::kMaxTextField, 'r');
  int minutes = 0;
  for (int batch = 0; batch < 3; ++batch) {
    theSystemConfig.BeginBatch();
    for (int i = 0; i < protocol::kMaxSettingWrites; ++i) {
      ASSERT_EQ(theSystemConfig.SetConfigInt(kIdleTimeoutName, ++minutes % 600, long_reason),
                kConfigOk);
    }
    ASSERT_EQ(theSystemConfig.CommitBatch(), kConfigOk) << CSystemConfiguration::LastErrorMessage();
  }
  client::SettingsProxy proxy;
  RemoteTrailPage first;
  ASSERT_TRUE(proxy.ReadTrail(0, &first).ok());
  EXPECT_TRUE(first.more);
  EXPECT_EQ(first.next, first.numbers.back() + 1);

  CListComp* trail = theSystemConfig.GetAuditTrail();
  ASSERT_NE(trail, nullptr);
  EXPECT_EQ(trail->GetChildCount(), static_cast<size_t>(1 + 3 * protocol::kMaxSettingWrites));
  auto* collection = dynamic_cast<CAuditCollectionComp*>(trail);
  ASSERT_NE(collection, nullptr);
  EXPECT_EQ(collection->GetSequenceNumber(), 1u);
}

TEST_F(SettingsServiceTest, AWriteMergesWithAChangeMadeInBetween) {
  FeaturesOnAsAlice();
  // Two editors read the rights; each changes another group.
  std::unique_ptr<CSystemConfiguration> first = theSystemConfig.NewEditor();
  std::unique_ptr<CSystemConfiguration> second = theSystemConfig.NewEditor();
  CTAVGroupRightsArray mine;
  CTAVGroupRightsArray theirs;
  ASSERT_EQ(first->ReadActivityGroupArray(mine), kConfigOk);
  ASSERT_EQ(second->ReadActivityGroupArray(theirs), kConfigOk);
  mine.Grant("tav-operators", kActivityAnalyzeData);
  theirs.Revoke("tav-analysts", kActivityStartRun);
  ASSERT_EQ(first->WriteActivityGroupArray(mine), kConfigOk);
  ASSERT_EQ(second->WriteActivityGroupArray(theirs), kConfigOk);
  EXPECT_EQ(theSystemConfig.IsActivityAllowed({"tav-operators"}, kActivityAnalyzeData, nullptr), 1);
  EXPECT_EQ(theSystemConfig.IsActivityAllowed({"tav-analysts"}, kActivityStartRun, nullptr), 0);
}

TEST_F(SettingsServiceTest, SettingsThatFailTheirSealAreAcceptedByAnAdministratorOnly) {
  TAV_SKIP_ON_LAB_STORE("the seal of the settings is the embedded store's");
  FeaturesOnAsAlice();
  // Changed behind the service's back.
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(data_dir_.File("compliance.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DELETE FROM settings WHERE name = '21EN'", nullptr, nullptr,
                         nullptr),
            SQLITE_OK);
  sqlite3_close(db);
  EXPECT_EQ(theSystemConfig.VerifySettings(), kConfigStorageError);
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, 0), kFailClosedIdleTimeoutMinutes);
  // Alice holds the right, but rights that cannot be trusted do not count.
  EXPECT_EQ(theSystemConfig.AcceptStoredSettings("checked"), kConfigAccessDenied);
  qa_ = LogOn("qa", "QA-Pass3");
  EXPECT_EQ(theSystemConfig.AcceptStoredSettings("checked"), kConfigOk)
      << CSystemConfiguration::LastErrorMessage();
  EXPECT_EQ(theSystemConfig.VerifySettings(), kConfigOk);
  EXPECT_EQ(Trail().back(), std::string("qa|") + kAcceptedSettingsReason + "checked");
}

// tavsec's --by account is logged on in the service, which checks its
// password: a password check replaced inside tavsec passes nothing.
TEST_F(SettingsServiceTest, TavsecByWithAWrongPasswordChangesNothingEvenWithAFakePasswordCheck) {
  FeaturesOnAsAlice();
  const std::vector<std::string> before = Trail();
  const std::string tavsec = std::string("LD_PRELOAD=") + TAV_FAKE_SODIUM_PATH + " " + TAVSEC_PATH;
  testing::CommandResult r =
      testing::RunCommand(tavsec + " config set idle-timeout 9 --by alice", "wrong\n");
  EXPECT_NE(r.exit_code, 0) << r.out;
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 0);
  EXPECT_EQ(Trail(), before);

  // The right password: the change names the account and the system user.
  r = testing::RunCommand(std::string(TAVSEC_PATH) + " config set idle-timeout 9 --by alice "
                          "--reason cli",
                          "Alice-Pass1\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 9);
  EXPECT_EQ(Trail().back(), "alice (system user root)|cli");

  // An account without the right: refused by the service.
  r = testing::RunCommand(std::string(TAVSEC_PATH) + " config set idle-timeout 8 --by bob",
                          "Bob-Pass2\n");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("may not change the configuration"), std::string::npos) << r.err;
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 9);
}

TEST_F(SettingsServiceTest, RootMayChangeSettingsWithoutByWhileTheFeaturesAreOff) {
  if (getuid() != 0) GTEST_SKIP() << "needs root";
  testing::CommandResult r =
      testing::RunCommand(std::string(TAVSEC_PATH) + " config set idle-timeout 12");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(theSystemConfig.GetConfigInt(kIdleTimeoutName, -1), 12);
  EXPECT_EQ(Trail().back().rfind("root", 0), 0u) << Trail().back();
}

}  // namespace
}  // namespace tav
