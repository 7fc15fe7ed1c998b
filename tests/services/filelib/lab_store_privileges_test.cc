// What a workstation may do to the lab store on PostgreSQL, logged in with
// the rights InitLabStore grants it: it appends to the logs and changes
// settings only through the store's functions, and can neither rewrite nor
// remove what is logged. What the store's owner changes behind the
// library's back is found by verification. A store that cannot be reached
// or stays locked fails within bounded time. Run under pg_virtualenv.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <memory>
#include <string>

#include "lab_store_server.h"
#include "services/config/settings_records.h"
#include "services/config/settings_store.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/lab_store_schema.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/system_event_manager.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::kLabAdmin;
using testing::kLabWorkstation;
using testing::LabServer;
using testing::Scalar;
using testing::TempDataDir;
using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

void AddEvents(std::initializer_list<const char*> users) {
  for (const char* user : users) {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditFailedLogin, user), 0) << user;
  }
}

ChainReport VerifyEvents() {
  CSystemEventManager manager;
  ChainReport report;
  std::string error;
  EXPECT_EQ(manager.VerifyEventLog(&report, &error), 0) << error;
  return report;
}

testing::CommandResult Tavsec(const std::string& args) {
  return testing::RunCommand(std::string(TAVSEC_PATH) + " " + args);
}

// A store made by the administrator; the data directory's store.conf logs
// in as the workstation role, whose password is only in the password file.
class LabStorePrivileges : public ::testing::Test {
 protected:
  void SetUp() override {
    LabServer& lab = LabServer::Get();
    if (!lab.present()) GTEST_SKIP() << "no PostgreSQL server: run under pg_virtualenv";
    ASSERT_TRUE(lab.usable()) << lab.setup_status().message();
    StoreStatus status = lab.NewStore(&schema_);
    ASSERT_TRUE(status.ok()) << status.message();
    status = lab.Connect(kLabAdmin, schema_, &admin_);
    ASSERT_TRUE(status.ok()) << status.message();
    status = lab.Connect(kLabWorkstation, schema_, &workstation_);
    ASSERT_TRUE(status.ok()) << status.message();
    LabServer::WriteStoreConf(dir_.path(), LabServer::StoreConf(kLabWorkstation, schema_));
  }

  // The workstation's attempt is refused for want of rights, and says so.
  void ExpectRefused(const std::string& sql) {
    const StoreStatus status = workstation_->ExecText(sql);
    EXPECT_EQ(status.code(), StoreStatus::kReadOnly) << sql << ": " << status.ToString();
  }

  TempDataDir dir_;
  std::string schema_;
  std::unique_ptr<PgDb> admin_;
  std::unique_ptr<PgDb> workstation_;
};

TEST_F(LabStorePrivileges, WorkstationCannotRewriteOrRemoveWhatIsLogged) {
  AddEvents({"alice", "bob"});
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  bool changed = false;
  ASSERT_TRUE(db->Write([&](SqlDb& c) {
                  return SaveSettingAudited(c, kRowFeatureSwitch, *FeatureSwitchRecord(true),
                                            ChangeAuthor{"alice", "on"}, &changed);
                }).ok());
  ASSERT_TRUE(db->AppendToLog(ChainedLog::kRunHistory, "run record").ok());

  for (const char* table : {"system_events", "config_audit", "run_history", "chain_heads"}) {
    SCOPED_TRACE(table);
    const std::string t(table);
    ExpectRefused("UPDATE " + t + " SET chain = chain");
    ExpectRefused("UPDATE " + t + " SET seq = seq + 1000");
    ExpectRefused("DELETE FROM " + t);
    ExpectRefused("DELETE FROM " + t + " WHERE seq = (SELECT max(seq) FROM " + t + ")");
    ExpectRefused("TRUNCATE " + t);
  }
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM system_events"), 2);
  const ChainReport report = VerifyEvents();
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 2u);
}

TEST_F(LabStorePrivileges, WorkstationCannotWriteALogRowOrAlterAWaitingRecord) {
  AddEvents({"alice"});
  // A row of its own making would carry a chain value of its choosing.
  ExpectRefused("INSERT INTO system_events(seq, record, chain) VALUES (2, 'x', 'y')");
  ExpectRefused("INSERT INTO config_audit(seq, record, chain) VALUES (1, 'x', 'y')");
  ExpectRefused("INSERT INTO run_history(seq, record, chain) VALUES (1, 'x', 'y')");
  ExpectRefused("INSERT INTO chain_heads(log, seq, chain) VALUES ('run_history', 9, 'y')");
  // A waiting record is stored with the server's id and time; once stored
  // it is the store's.
  ExpectRefused("INSERT INTO pending_appends(log, record, at) VALUES (1, 'x', now() - "
                "interval '1 day')");
  ExpectRefused("INSERT INTO pending_appends(id, log, record) OVERRIDING SYSTEM VALUE "
                "VALUES (1, 1, 'x')");
  ASSERT_TRUE(workstation_->ExecText(
                  "INSERT INTO pending_appends(log, record) VALUES (1, 'waits')").ok());
  ExpectRefused("UPDATE pending_appends SET record = 'y'");
  ExpectRefused("DELETE FROM pending_appends");
  EXPECT_FALSE(workstation_->ExecText(
                   "INSERT INTO pending_appends(log, record) VALUES (4, 'x')").ok());
  // The functions that write rows under the chain lock are the store's own.
  ExpectRefused("SELECT * FROM tav_chain_locked(10, 1::smallint, 'x')");
  ExpectRefused("SELECT tav_log_code('system_events')");
  // Only the three logs take appends.
  EXPECT_FALSE(workstation_->ExecText("SELECT * FROM tav_log('settings', 'x')").ok());
  EXPECT_FALSE(workstation_->ExecText("SELECT * FROM tav_append('chain_heads', 'x')").ok());

  // The next pass chains the waiting record after alice's event.
  ASSERT_TRUE(workstation_->ExecText("SELECT tav_flush()").ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM system_events"), 2);
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM system_events WHERE record = 'waits'"), 2);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM pending_appends"), 0);
  EXPECT_TRUE(VerifyEvents().ok());
}

// A store made by the first version keeps its waiting records in a table
// of another layout; "tavsec store init" moves them, in their order, with
// their ids and times.
TEST_F(LabStorePrivileges, StoreOfTheFirstVersionIsUpgradedWithWhatWaits) {
  AddEvents({"alice"});
  ASSERT_TRUE(admin_->ExecText(
      "SELECT tav_flush(); DROP TABLE pending_appends; "
      "CREATE TABLE pending_appends(id bigserial PRIMARY KEY, log text NOT NULL, "
      "  record bytea NOT NULL, utc bigint NOT NULL, "
      "  submitted_by text NOT NULL DEFAULT session_user); "
      "SELECT setval('pending_appends_id_seq', 40); "
      "INSERT INTO pending_appends(log, record, utc) VALUES "
      "  ('config_audit', 'trail', 1700000000123), ('system_events', 'event', 1700000000456); "
      "CREATE FUNCTION tav_chain_all_locked() RETURNS void LANGUAGE sql AS 'SELECT'; "
      "UPDATE store_meta SET value = '1' WHERE key = 'schema_version'").ok());
  const StoreStatus old = CheckLabStore(*admin_);
  EXPECT_EQ(old.code(), StoreStatus::kForeign);
  EXPECT_NE(old.message().find("another version (schema 1)"), std::string::npos) << old.message();

  ASSERT_TRUE(InitLabStore(*admin_, LabStoreRoles{kLabWorkstation}).ok());
  EXPECT_TRUE(CheckLabStore(*admin_).ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM pg_proc WHERE proname = 'tav_chain_all_locked'"),
            0);
  EXPECT_EQ(Scalar(*admin_, "SELECT log FROM pending_appends WHERE id = 41"), 2);
  EXPECT_EQ(Scalar(*admin_, "SELECT log FROM pending_appends WHERE id = 42"), 1);
  // The workstation's rights hold on the new table.
  ASSERT_TRUE(workstation_->ExecText(
                  "INSERT INTO pending_appends(log, record) VALUES (1, 'later')").ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT id FROM pending_appends WHERE record = 'later'"), 43);

  ASSERT_TRUE(workstation_->ExecText("SELECT tav_flush()").ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT utc FROM config_audit WHERE record = 'trail'"),
            1700000000123);
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM system_events WHERE record = 'event'"), 2);
  EXPECT_EQ(Scalar(*admin_, "SELECT utc FROM system_events WHERE record = 'event'"),
            1700000000456);
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM system_events WHERE record = 'later'"), 3);
  EXPECT_TRUE(VerifyEvents().ok());
}

TEST_F(LabStorePrivileges, SettingsChangeOnlyTogetherWithTheirTrailRecord) {
  ExpectRefused("INSERT INTO settings(name, record) VALUES ('21EN', 'x')");
  ExpectRefused("UPDATE settings SET record = 'x'");
  ExpectRefused("DELETE FROM settings");
  ExpectRefused("INSERT INTO settings_seal(id, trail_seq, seal) VALUES (1, 0, 'x')");
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM settings"), 0);

  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  auto feature_switch = [&] {
    std::unique_ptr<CComponent> record;
    EXPECT_TRUE(db->Read([&](SqlDb& c) {
                    return LoadSetting(c, kRowFeatureSwitch, &record);
                  }).ok());
    return FeatureSwitchFromRecord(record.get());
  };
  for (int round = 0; round < 2; ++round) {
    const bool was = feature_switch();
    bool changed = false;
    const StoreStatus status = db->Write([&](SqlDb& c) {
      return SaveSettingAudited(c, kRowFeatureSwitch, *FeatureSwitchRecord(!was),
                                ChangeAuthor{"alice", "round " + std::to_string(round)}, &changed);
    });
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_TRUE(changed);
    EXPECT_EQ(feature_switch(), !was);
    EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM config_audit"), round + 1);
  }
  ChainReport report;
  ASSERT_TRUE(db->Read([&](SqlDb& c) {
                  return VerifyChain(c, ChainedLog::kConfigAudit, &report);
                }).ok());
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 2u);
}

TEST_F(LabStorePrivileges, WorkstationAppendsEventsThatVerifyAndEditsTheRunList) {
  for (int i = 0; i < 20; ++i) {
    CSystemEventManager manager;
    ASSERT_EQ(manager.AddSystemEvent(kAuditSuccessfulLogin, ("user" + std::to_string(i)).c_str()),
              0);
  }
  const ChainReport report = VerifyEvents();
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 20u);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM pending_appends"), 0);
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM chain_heads WHERE log = 'system_events'"), 20);
  // The run list is the workstations' to edit, numbers included.
  StoreStatus status = workstation_->ExecText(
      "INSERT INTO run_list(path, record) VALUES ('/runs/a.run', 'r'); "
      "UPDATE run_list SET record = 's' WHERE path = '/runs/a.run'");
  EXPECT_TRUE(status.ok()) << status.message();
  status = workstation_->ExecText("DELETE FROM run_list");
  EXPECT_TRUE(status.ok()) << status.message();
}

TEST_F(LabStorePrivileges, RecordChangedByTheOwnerIsNamedByVerification) {
  AddEvents({"alice", "bob", "carol"});
  testing::CommandResult r = Tavsec("events verify");
  // An intact store verifies.
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  // The owner of the tables may write them; bob's failed login is made
  // to read as eve's.
  const StoreStatus status = admin_->ExecText(
      "UPDATE system_events SET record = overlay(record PLACING 'eve'::bytea "
      "FROM position('bob'::bytea IN record) FOR 3) WHERE seq = 2");
  ASSERT_TRUE(status.ok()) << status.message();

  const ChainReport report = VerifyEvents();
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].kind, ChainProblem::kChanged);
  EXPECT_EQ(report.problems[0].seq, 2u);

  r = Tavsec("events verify");
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.out.find("event 2 ("), std::string::npos) << r.out << r.err;
  EXPECT_NE(r.out.find("eve, Failed Login) does not match its hash"), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("event 1 ("), std::string::npos) << r.out;
  EXPECT_EQ(r.out.find("event 3 ("), std::string::npos) << r.out;
}

TEST_F(LabStorePrivileges, TailRowDeletedByTheOwnerIsFound) {
  AddEvents({"alice", "bob", "carol"});
  // As a reader would: the events that wait are chained first.
  ASSERT_TRUE(admin_->ExecText("SELECT tav_flush()").ok());
  const StoreStatus status = admin_->ExecText("DELETE FROM system_events WHERE seq = 3");
  ASSERT_TRUE(status.ok()) << status.message();

  const ChainReport report = VerifyEvents();
  ASSERT_EQ(report.problems.size(), 1u);
  EXPECT_EQ(report.problems[0].kind, ChainProblem::kTruncated);
  EXPECT_EQ(report.problems[0].seq, 3u);
  const testing::CommandResult r = Tavsec("events verify");
  EXPECT_NE(r.exit_code, 0);
  EXPECT_NE(r.out.find("the log ends at record 2 but held 3 records"), std::string::npos)
      << r.out << r.err;
}

// Restores the process's busy timeout.
struct BusyTimeoutFor {
  explicit BusyTimeoutFor(std::chrono::milliseconds t) : old(ComplianceDb::BusyTimeout()) {
    ComplianceDb::SetBusyTimeout(t);
  }
  ~BusyTimeoutFor() { ComplianceDb::SetBusyTimeout(old); }
  std::chrono::milliseconds old;
};

TEST_F(LabStorePrivileges, LockHeldByAnotherClientEndsInBusyWithinTheTimeout) {
  BusyTimeoutFor busy(std::chrono::milliseconds(500));
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());

  // Another client holds the store's writer lock.
  ASSERT_TRUE(admin_->BeginWrite().ok());
  auto start = Clock::now();
  StoreStatus status = db->Write([](SqlDb&) { return StoreStatus::Ok(); });
  EXPECT_EQ(status.code(), StoreStatus::kBusy) << status.ToString();
  EXPECT_GE(SecondsSince(start), 0.4);
  EXPECT_LT(SecondsSince(start), 2.0);
  admin_->Rollback();
  EXPECT_TRUE(db->Write([](SqlDb&) { return StoreStatus::Ok(); }).ok());

  // Another client locked the table appends go through.
  ASSERT_TRUE(
      admin_->ExecText("BEGIN; LOCK TABLE pending_appends IN ACCESS EXCLUSIVE MODE").ok());
  start = Clock::now();
  status = db->AppendToLog(ChainedLog::kSystemEvents, "waits");
  EXPECT_EQ(status.code(), StoreStatus::kBusy) << status.ToString();
  EXPECT_LT(SecondsSince(start), 2.0);
  ASSERT_TRUE(admin_->ExecText("ROLLBACK").ok());
  status = db->AppendToLog(ChainedLog::kSystemEvents, "goes in");
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM system_events"), 1);
}

// A store that cannot be reached: logons need the event log, so they fail
// too; nothing falls back to an embedded store in the data directory.
class UnreachableLabStore : public ::testing::Test {
 protected:
  void ExpectFailsClosed(const std::string& connection) {
    LabServer::WriteStoreConf(dir_.path(), "engine = postgresql\nconnection = " + connection +
                                               "\nconnect_timeout = 1\n");
    auto start = Clock::now();
    std::shared_ptr<ComplianceDb> db;
    StoreStatus status = ComplianceDb::Get(&db);
    EXPECT_EQ(status.code(), StoreStatus::kUnavailable) << status.ToString();
    // libpq waits at least 2 s for a server that does not answer.
    EXPECT_LT(SecondsSince(start), 4.0);
    start = Clock::now();
    CSystemEventManager manager;
    status = manager.RecordSystemEvent(kAuditFailedLogin, "alice");
    EXPECT_EQ(status.code(), StoreStatus::kUnavailable) << status.ToString();
    EXPECT_LT(SecondsSince(start), 4.0);
    struct stat st;
    EXPECT_NE(::lstat(dir_.File(kComplianceDbFileName).c_str(), &st), 0);
  }
  TempDataDir dir_;
};

TEST_F(UnreachableLabStore, RefusedConnectionFailsAtOnce) {
  ExpectFailsClosed("host=127.0.0.1 port=1");
}

TEST_F(UnreachableLabStore, ServerThatNeverAnswersFailsWithinTheConnectTimeout) {
  // Connections complete in the kernel's backlog; nobody ever answers.
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_in addr{};
  addr.sin_family = AF_INET;
  addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t len = sizeof addr;
  ASSERT_EQ(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
  ASSERT_EQ(::listen(fd, 16), 0);
  ASSERT_EQ(::getsockname(fd, reinterpret_cast<sockaddr*>(&addr), &len), 0);
  ExpectFailsClosed("host=127.0.0.1 port=" + std::to_string(ntohs(addr.sin_port)));
  ::close(fd);
}

}  // namespace
}  // namespace tav
