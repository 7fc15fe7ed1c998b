// What a workstation may do to the lab store on PostgreSQL, logged in with
// the rights InitLabStore grants it: it appends records of the logs and
// changes the run list only through the store's functions, which check the
// records; it changes no setting, and can neither rewrite nor remove what
// is logged. What the store's owner changes behind the
// library's back is found by verification. A store that cannot be reached
// or stays locked fails within bounded time. Run under pg_virtualenv.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

#include "lab_store_server.h"
#include "services/config/settings_records.h"
#include "services/config/settings_store.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/lab_store_schema.h"
#include "services/filelib/filelib_codes.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/run_list_manager.h"
#include "services/filelib/system_event_manager.h"
#include "testing/log_records.h"
#include "testing/run_command.h"
#include "testing/system_user.h"
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
  ASSERT_TRUE(admin_->ExecText("SELECT * FROM tav_log('config_audit', tav_test_record(2, 'ann'))")
                  .ok());
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  ASSERT_TRUE(db->AppendToLog(ChainedLog::kRunHistory, testing::RunFileRecord("/runs/a.tav")).ok());

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
                  "INSERT INTO pending_appends(log, record) VALUES (1, tav_test_record(1, 'waits'))")
                  .ok());
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
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM system_events WHERE tav_test_name(record) = 'waits'"),
            2);
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
                  "INSERT INTO pending_appends(log, record) VALUES (1, tav_test_record(1, 'later'))")
                  .ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT id FROM pending_appends WHERE tav_test_name(record) = 'later'"),
            43);

  ASSERT_TRUE(workstation_->ExecText("SELECT tav_flush()").ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT utc FROM config_audit WHERE record = 'trail'"),
            1700000000123);
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM system_events WHERE record = 'event'"), 2);
  EXPECT_EQ(Scalar(*admin_, "SELECT utc FROM system_events WHERE record = 'event'"),
            1700000000456);
  EXPECT_EQ(Scalar(*admin_, "SELECT seq FROM system_events WHERE tav_test_name(record) = 'later'"),
            3);
  EXPECT_TRUE(VerifyEvents().ok());
}

// The lab's settings are the administrative role's: a workstation changes
// none, not even through the store's function, nor writes their trail;
// the administrator changes a setting only together with its trail record.
TEST_F(LabStorePrivileges, SettingsChangeOnlyWithTheAdministrativeRoleAndTheirTrail) {
  ExpectRefused("INSERT INTO settings(name, record) VALUES ('21EN', 'x')");
  ExpectRefused("UPDATE settings SET record = 'x'");
  ExpectRefused("DELETE FROM settings");
  ExpectRefused("INSERT INTO settings_seal(id, trail_seq, seal) VALUES (1, 0, 'x')");
  ExpectRefused("SELECT * FROM tav_save_setting('21EN', '\\x3231454e0000000100'::bytea, "
                "tav_test_record(2, 'alice'))");
  ExpectRefused("SELECT * FROM tav_log('config_audit', tav_test_record(2, 'alice'))");
  ExpectRefused("INSERT INTO pending_appends(log, record) VALUES (2, tav_test_record(2, 'alice'))");
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM settings"), 0);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM config_audit"), 0);

  auto save = [&](bool on, const std::string& reason) {
    std::shared_ptr<ComplianceDb> db;
    EXPECT_TRUE(ComplianceDb::Get(&db).ok());
    bool changed = false;
    return db->Write([&](SqlDb& c) {
      return SaveSettingAudited(c, kRowFeatureSwitch, *FeatureSwitchRecord(on),
                                ChangeAuthor{"alice", reason}, &changed);
    });
  };
  // Through the library, as a workstation's service would: refused, saying
  // who may.
  StoreStatus refused = save(true, "switched on by a workstation");
  EXPECT_EQ(refused.code(), StoreStatus::kReadOnly) << refused.message();
  EXPECT_NE(refused.message().find("administrative role"), std::string::npos) << refused.message();

  // The administrator, with the role in its own libpq files.
  LabServer::WriteStoreConf(dir_.path(), LabServer::StoreConf(kLabAdmin, schema_));
  ComplianceDb::ReleaseCache();
  for (int round = 0; round < 2; ++round) {
    const StoreStatus status = save(round == 0, "round " + std::to_string(round));
    // (the first round switches on what the workstation could not)
    ASSERT_TRUE(status.ok()) << status.message();
    EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM config_audit"), round + 1);
  }
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  ChainReport report;
  ASSERT_TRUE(db->Read([&](SqlDb& c) {
                  return VerifyChain(c, ChainedLog::kConfigAudit, &report);
                }).ok());
  EXPECT_TRUE(report.ok());
  EXPECT_EQ(report.count, 2u);
  ComplianceDb::ReleaseCache();
}

// What the database takes from a workstation is a record of its log: bytes
// that do not read as one, an event naming nobody or with a control
// character in the name, an unknown event code or bytes after the entries
// are refused by the store itself, however they come. Every row keeps the
// role that wrote it.
TEST_F(LabStorePrivileges, TheStoreRefusesWhatIsNotARecordAndNamesItsWriter) {
  const std::string good = "tav_test_record(1, 'alice')";
  // Record bodies as SQL: the user name's length byte sits at offset 16.
  // A successful login of nobody; a failed one may name nobody (the name
  // was left blank), and is taken below.
  const std::string empty_name =
      "'\\x41457674000000180000000000000000000000000141456e78000000030a0000'::bytea";
  const std::string blank_attempt =
      "'\\x41457674000000180000000000000000000000000141456e7800000003060000'::bytea";
  const std::string control = "overlay(" + good + " PLACING '\\x0a'::bytea FROM 18 FOR 1)";
  const std::string unknown_code = "overlay(" + good + " PLACING '\\x63'::bytea FROM 31 FOR 1)";
  const std::string trailing = "(" + good + " || '\\x00'::bytea)";
  for (const std::string& bad :
       {std::string("'\\x00'::bytea"), empty_name, control, unknown_code, trailing,
        std::string("tav_test_record(3, 'a run file')")}) {
    SCOPED_TRACE(bad);
    for (const std::string& sql :
         {"SELECT * FROM tav_log('system_events', " + bad + ")",
          "INSERT INTO pending_appends(log, record) VALUES (1, " + bad + ")"}) {
      const StoreStatus status = workstation_->ExecText(sql);
      EXPECT_FALSE(status.ok()) << sql;
      EXPECT_EQ(status.code(), StoreStatus::kInvalid) << sql << ": " << status.ToString();
    }
  }
  EXPECT_FALSE(workstation_->ExecText("SELECT * FROM tav_log('run_history', " + good + ")").ok());
  ASSERT_TRUE(workstation_->ExecText("SELECT * FROM tav_log('system_events', " + good + ")").ok());
  ASSERT_TRUE(workstation_->ExecText(
                  "INSERT INTO pending_appends(log, record) VALUES (1, " + blank_attempt + ")")
                  .ok());
  ASSERT_TRUE(admin_->ExecText("SELECT tav_flush()").ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM system_events"), 2);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM system_events WHERE written_by = "
                            "'tav_lab_workstation'"),
            2);
  // An event of the library's own goes in as well, and reads back.
  AddEvents({"carol"});
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM system_events WHERE written_by = "
                            "'tav_lab_workstation'"),
            3);
  EXPECT_TRUE(VerifyEvents().ok());
  // Listings name the workstation of each event; a row the owner wrote
  // names the owner's role.
  ASSERT_TRUE(admin_->ExecText("SELECT * FROM tav_append('system_events', "
                               "tav_test_record(1, 'dave'))").ok());
  const testing::CommandResult listed = Tavsec("events list --workstations");
  ASSERT_EQ(listed.exit_code, 0) << listed.err;
  EXPECT_NE(listed.out.find(", carol, Failed Login  [tav_lab_workstation]\n"), std::string::npos)
      << listed.out;
  EXPECT_NE(listed.out.find(", dave, Failed Login  [" + std::string(kLabAdmin) + "]\n"),
            std::string::npos)
      << listed.out;
  const testing::CommandResult csv = Tavsec("events list --workstations --format csv");
  EXPECT_NE(csv.out.find("Number,Date & Time,User Login,Event,Workstation\r\n"), std::string::npos)
      << csv.out;
  EXPECT_NE(csv.out.find(",carol,Failed Login,tav_lab_workstation\r\n"), std::string::npos)
      << csv.out;
}

// Waiting records pass a quick check first, and only what it does not take
// goes to the full one. The quick check must take nothing the full check
// refuses: every single-byte change (and every cut) of good events, a
// blank attempt and a long name is tried with both.
TEST_F(LabStorePrivileges, TheQuickCheckOfWaitingRecordsTakesNothingTheFullCheckRefuses) {
  ASSERT_TRUE(admin_->ExecText(R"sql(
    CREATE FUNCTION pg_temp.verdict(p_quick boolean, p_record bytea) RETURNS text
    LANGUAGE plpgsql AS $$
    BEGIN
      IF p_quick THEN
        RETURN CASE WHEN tav_quick_event_ok(1::smallint, p_record) THEN 'ok' ELSE 'no' END;
      END IF;
      PERFORM tav_check_record(1::smallint, p_record);
      RETURN 'ok';
    EXCEPTION WHEN others THEN
      RETURN 'error';
    END
    $$;
    CREATE TEMP TABLE samples AS
      SELECT tav_test_record(1, 'alice') AS r
      UNION ALL SELECT tav_test_record(1, repeat('ü', 100))
      UNION ALL SELECT '\x41457674000000180000000000000000000000000141456e7800000003060000'::bytea;
    CREATE TEMP TABLE variants AS
      SELECT set_byte(s.r, i, get_byte(s.r, i) # m.x) AS v
        FROM samples s, generate_series(0, length(s.r) - 1) i,
             (VALUES (1), (2), (6), (16), (64), (96), (128), (255)) m(x)
      UNION ALL SELECT substring(s.r FROM 1 FOR n) FROM samples s, generate_series(0, length(s.r)) n
      UNION ALL SELECT s.r || '\x00'::bytea FROM samples s;
  )sql").ok());
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM samples WHERE pg_temp.verdict(true, r) = 'ok'"),
            3);
  // Taken quickly but refused in full: none.
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM variants WHERE pg_temp.verdict(true, v) = 'ok' "
                            "AND pg_temp.verdict(false, v) <> 'ok'"),
            0);
  // The changes that leave a good record (another date, another letter)
  // are still taken quickly; the rest are refused in full.
  EXPECT_GT(Scalar(*admin_, "SELECT count(*) FROM variants WHERE pg_temp.verdict(true, v) = 'ok'"),
            100);
  EXPECT_GT(Scalar(*admin_, "SELECT count(*) FROM variants WHERE pg_temp.verdict(false, v) <> 'ok'"),
            100);
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
  // The run list changes only together with its history record.
  CRunListManager runs;
  ASSERT_EQ(runs.RecordFileOperation(kFileRecordCreated, "/runs/a.run", nullptr, nullptr),
            kFileLibOk);
  ASSERT_EQ(runs.MoveFileRecord("/runs/b.run", "/runs/a.run", 0, nullptr), kFileLibOk);
  ASSERT_EQ(runs.DeleteFileRecord("/runs/b.run", 1, nullptr), kFileLibOk);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM run_history"), 3);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM run_list"), 0);
  ASSERT_EQ(runs.ImportFileRecord("/runs/c.run", nullptr), kFileLibOk);
  ExpectRefused("INSERT INTO run_list(path, record) VALUES ('/runs/d.run', 'r')");
  ExpectRefused("UPDATE run_list SET record = 's'");
  ExpectRefused("DELETE FROM run_list");
  ExpectRefused("TRUNCATE run_list");
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM run_list"), 1);
  EXPECT_EQ(Scalar(*admin_, "SELECT count(*) FROM run_history"), 4);
}

// The workstation's password sits where only the service's account (here:
// root) reads it, named by a connection string that anyone may read. The
// service reaches the store with it; a member of the workstation who reads
// everything he may does not.
TEST_F(LabStorePrivileges, AMemberOfTheWorkstationCannotLogInAsTheWorkstation) {
  if (geteuid() != 0) GTEST_SKIP() << "makes a system user";
  testing::SystemUser member;
  ASSERT_TRUE(member.ok());
  std::string secret;
  {
    std::ifstream all(std::getenv("PGPASSFILE"));
    for (std::string line; std::getline(all, line);) {
      if (line.find(std::string(":") + kLabWorkstation + ":") != std::string::npos) secret = line;
    }
  }
  ASSERT_FALSE(secret.empty());
  char service_dir[] = "/tmp/tav_service.XXXXXX";  // 0700, root's: the service's folder
  ASSERT_NE(mkdtemp(service_dir), nullptr);
  const std::string passfile = std::string(service_dir) + "/lab-store.pgpass";
  std::ofstream(passfile) << secret << "\n";
  ASSERT_EQ(chmod(passfile.c_str(), 0600), 0);
  char open_dir[] = "/tmp/tav_open.XXXXXX";
  ASSERT_NE(mkdtemp(open_dir), nullptr);
  ASSERT_EQ(chmod(open_dir, 0755), 0);
  LabServer::WriteStoreConf(open_dir, "engine = postgresql\nconnection = user=" +
                                          std::string(kLabWorkstation) + " passfile=" + passfile +
                                          "\nschema = " + schema_ + "\n");
  ASSERT_EQ(chmod((std::string(open_dir) + "/" + kStoreConfigFile).c_str(), 0644), 0);
  const std::string status =
      "env -u PGPASSFILE -u PGPASSWORD TAV_DATA_DIR=" + std::string(open_dir) + " ";
  testing::CommandResult r = testing::RunCommand(status + TAVSEC_PATH + " store status");
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_NE(r.out.find("role " + std::string(kLabWorkstation) + ": workstation"),
            std::string::npos)
      << r.out;
  r = testing::RunCommand(status + member.Runs() + TAVSEC_PATH + " store status");
  EXPECT_EQ(r.exit_code, 1) << r.out << r.err;
  EXPECT_NE(r.out.find("NOT USABLE"), std::string::npos) << r.out;
  EXPECT_NE(testing::RunCommand(member.Runs() + "cat " + passfile).exit_code, 0);
  testing::RunCommand("rm -rf " + std::string(service_dir) + " " + open_dir);
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
  status = db->AppendToLog(ChainedLog::kSystemEvents, testing::EventRecord("waits"));
  EXPECT_EQ(status.code(), StoreStatus::kBusy) << status.ToString();
  EXPECT_LT(SecondsSince(start), 2.0);
  ASSERT_TRUE(admin_->ExecText("ROLLBACK").ok());
  status = db->AppendToLog(ChainedLog::kSystemEvents, testing::EventRecord("goes in"));
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
