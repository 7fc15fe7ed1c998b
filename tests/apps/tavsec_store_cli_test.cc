// tavsec store status, init and migrate against a PostgreSQL server: the
// throw-away one pg_virtualenv starts around this program (its PG*
// variables reach a superuser, so an empty `connection =` finds it). Each
// test keeps its lab store in a schema of its own; the workstations' embedded
// stores are filled through the library first.
#include <gtest/gtest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>

#include "records/audit_code.h"
#include "records/file_record_comp.h"
#include "services/config/settings_records.h"
#include "services/config/settings_store.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/settings_seal.h"
#include "services/filelib/system_event_manager.h"
#include "testing/log_records.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"
#include "util/pg_db.h"

namespace tav {
namespace {

using testing::CommandResult;
using testing::TempDataDir;

using testing::Has;

CommandResult Tavsec(const TempDataDir& dir, const std::string& args) {
  return testing::RunCommand(dir.CommandEnv() + " " + TAVSEC_PATH + " " + args);
}

// The line of `text` that starts with `start` (with the last hash after it).
std::string Line(const std::string& text, const std::string& start) {
  const size_t at = text.find(start);
  if (at == std::string::npos) ADD_FAILURE() << "no line " << start << " in " << text;
  return at == std::string::npos ? "" : text.substr(at, text.find('\n', at) - at);
}

void WriteStoreConf(const TempDataDir& dir, const std::string& text) {
  std::ofstream(dir.File(kStoreConfigFile)) << text;
}

// A workstation's embedded store with failed logons of `users`, the feature
// switch, run-history records and run-list paths.
// A run file record as the run list stores it.
std::string RunRecord(const char* path) {
  CFileRecordComp record;
  record.Set(kFileRecordCreated, path, "alice", std::nullopt);
  CMemFile file(256);
  record.StreamDataOut(&file);
  return file.TakeString();
}

std::string FillWorkstation(const TempDataDir& dir, std::initializer_list<const char*> users,
                            bool part11, std::initializer_list<const char*> runs) {
  std::filesystem::remove(dir.File(kStoreConfigFile));  // embedded, whatever the suite's engine
  ::setenv("TAV_DATA_DIR", dir.path().c_str(), 1);
  for (const char* user : users) {
    CSystemEventManager manager;
    EXPECT_EQ(manager.AddSystemEvent(kAuditFailedLogin, user), 0) << user;
  }
  std::shared_ptr<ComplianceDb> db;
  const std::string path = dir.File(kComplianceDbFileName);
  EXPECT_TRUE(ComplianceDb::GetAt(path, &db).ok());
  bool changed = false;
  // Switched on first, so that a store left off holds a row too.
  for (bool on : {true, part11}) {
    EXPECT_TRUE(db->Write([&](SqlDb& c) {
                    StoreStatus s =
                        SaveSettingAudited(c, kRowFeatureSwitch, *FeatureSwitchRecord(on),
                                           ChangeAuthor{"alice", "go live"}, &changed);
                    return s.ok() ? SealSettings(c) : s;
                  }).ok());
  }
  for (const char* run : runs) {
    EXPECT_TRUE(db->AppendToLog(ChainedLog::kRunHistory, RunRecord(run)).ok());
    EXPECT_TRUE(db->Write([run](SqlDb& c) {
                    StoreStatus s;
                    SqlStatement add =
                        c.Prepare("INSERT INTO run_list(path, record) VALUES(?1, ?2)", &s);
                    if (!s.ok()) return s;
                    add.BindText(1, run);
                    add.BindBlob(2, std::string("entry of ") + run);
                    return add.Run();
                  }).ok());
  }
  return path;
}

class TavsecStoreCli : public ::testing::Test {
 protected:
  void SetUp() override {
    if (std::getenv("PGHOST") == nullptr) GTEST_SKIP() << "no server: run under pg_virtualenv";
    static int counter = 0;
    schema_ = "cli_" + std::to_string(::getpid()) + "_" + std::to_string(++counter);
    WriteStoreConf(lab_, "engine = postgresql\nconnection =\nschema = " + schema_ + "\n");
    PgDb::Options options;
    options.schema = schema_;
    const StoreStatus status = PgDb::Open("", options, &admin_);
    ASSERT_TRUE(status.ok()) << status.message();
  }

  // The one number `sql` (a literal) gives in the test's schema.
  int64_t Scalar(const char* sql) {
    StoreStatus status;
    SqlStatement stmt = admin_->Prepare(sql, &status);
    if (!stmt.Step(&status)) {
      ADD_FAILURE() << sql << ": " << status.ToString();
      return -1;
    }
    return stmt.ColumnInt64(0);
  }
  void Init() {
    const CommandResult r = Tavsec(lab_, "store init");
    ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  }

  TempDataDir lab_;
  std::string schema_;
  std::unique_ptr<PgDb> admin_;
};

TEST_F(TavsecStoreCli, StatusNamesTheStoreAndFailsWhenItCannotServe) {
  TempDataDir embedded;
  std::filesystem::remove(embedded.File(kStoreConfigFile));
  CommandResult r = Tavsec(embedded, "store status");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "engine: sqlite\ndatabase: " + embedded.File(kComplianceDbFileName)))
      << r.out;

  // A lab store not made yet is named, and what to do about it.
  r = Tavsec(lab_, "store status");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.out, "engine: postgresql\nlab store: postgresql://")) << r.out;
  EXPECT_TRUE(Has(r.err, "tavsec store init")) << r.err;
  Init();
  r = Tavsec(lab_, "store status --json");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "{\"engine\":\"postgresql\",\"store\":\"postgresql://")) << r.out;
  EXPECT_TRUE(Has(r.out, "\"usable\":true")) << r.out;
  r = Tavsec(lab_, "status");
  EXPECT_TRUE(Has(r.out, "\nengine: postgresql\n")) << r.out << r.err;

  // Nobody listens: a clear answer within the connect timeout.
  WriteStoreConf(lab_, "engine = postgresql\nconnection = host=127.0.0.1 port=1\n"
                       "connect_timeout = 1\n");
  const auto start = std::chrono::steady_clock::now();
  r = Tavsec(lab_, "store status");
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.out, "state: NOT USABLE")) << r.out;
  EXPECT_TRUE(Has(r.err, "cannot be reached")) << r.err;

  // A password in store.conf is refused, and not repeated.
  WriteStoreConf(lab_, "engine = postgresql\nconnection = user=x password=Sesame77\n");
  for (const char* args : {"store status", "store init", "store migrate --from sqlite:/x"}) {
    r = Tavsec(lab_, args);
    EXPECT_EQ(r.exit_code, 1) << args;
    EXPECT_TRUE(Has(r.err, "password")) << args << ": " << r.err;
    EXPECT_FALSE(Has(r.out + r.err, "Sesame77")) << args;
  }
}

TEST_F(TavsecStoreCli, InitIsRepeatableAndGrantsTheWorkstationRole) {
  ASSERT_TRUE(admin_->ExecText("DO $$ BEGIN CREATE ROLE tav_cli_station LOGIN; "
                               "EXCEPTION WHEN duplicate_object THEN NULL; END $$").ok());
  CommandResult r = Tavsec(lab_, "store init --workstation-role tav_cli_station");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "lab store made: postgresql://")) << r.out;
  {
    StoreStatus status;
    SqlStatement append = admin_->Prepare("SELECT seq FROM tav_append('system_events', ?1)", &status);
    append.BindBlob(1, testing::EventRecord("kept"));
    ASSERT_TRUE(append.Step(&status)) << status.ToString();
  }

  r = Tavsec(lab_, "store init --workstation-role tav_cli_station");
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_TRUE(Has(r.out, "already there")) << r.out;
  EXPECT_EQ(Scalar("SELECT count(*) FROM system_events"), 1);
  EXPECT_EQ(Scalar("SELECT has_function_privilege('tav_cli_station', "
                   "format('%I.tav_append(text, bytea)', current_schema()), 'EXECUTE')::int"),
            1);
  // What each role may do; the workstation changes no setting.
  r = Tavsec(lab_, "store status");
  EXPECT_TRUE(Has(r.out, ": administrative role (owner)")) << r.out;
  EXPECT_TRUE(Has(r.out, "role tav_cli_station: workstation:")) << r.out;
  EXPECT_FALSE(Has(r.out, "WARNING")) << r.out;
  ASSERT_TRUE(admin_->ExecText("GRANT DELETE ON run_list TO tav_cli_station").ok());
  r = Tavsec(lab_, "store status");
  EXPECT_TRUE(Has(r.out, "WARNING: may also write the run list directly")) << r.out;
  EXPECT_FALSE(Has(r.out, "may also create objects")) << r.out;
  ASSERT_TRUE(admin_->ExecText("CREATE SCHEMA tav_cli_scratch; "
                               "GRANT CREATE ON SCHEMA tav_cli_scratch TO tav_cli_station").ok());
  r = Tavsec(lab_, "store status");
  ASSERT_TRUE(admin_->ExecText("DROP SCHEMA tav_cli_scratch").ok());
  EXPECT_TRUE(Has(r.out, "WARNING: may also create objects in schema tav_cli_scratch")) << r.out;

  // The embedded store has nothing to make; an unknown role makes nothing.
  TempDataDir embedded;
  std::filesystem::remove(embedded.File(kStoreConfigFile));
  r = Tavsec(embedded, "store init");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "names no lab store")) << r.err;
  r = Tavsec(lab_, "store init --workstation-role tav_no_such_role");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "tav_no_such_role")) << r.err;
}

TEST_F(TavsecStoreCli, FirstWorkstationKeepsItsChainLaterOnesAreAppended) {
  Init();
  TempDataDir first, second;
  const std::string a =
      FillWorkstation(first, {"alice", "bob", "carol"}, true, {"/runs/1", "/runs/2"});
  const std::string b = FillWorkstation(second, {"dave", "erin"}, false, {"/runs/2", "/runs/3"});

  CommandResult r = Tavsec(lab_, "store migrate --from sqlite:" + a);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "system event log: 3 records copied with their own chain")) << r.out;
  EXPECT_TRUE(Has(r.out, "run list: 2 paths added")) << r.out;
  // The same numbers and chain as on the workstation, and its times.
  EXPECT_EQ(Scalar("SELECT count(*) FROM system_events WHERE alg = 1 AND utc IS NOT NULL"), 3);
  EXPECT_EQ(Line(Tavsec(lab_, "events verify").out, "system event log: 3 records, chain intact"),
            Line(Tavsec(first, "events verify").out, "system event log: 3 records, chain intact"));

  r = Tavsec(lab_, "store migrate --from sqlite:" + b);
  ASSERT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "system event log: 2 records appended to the lab's chain (records 4 to 5"))
      << r.out;
  // The second workstation's settings do not replace the lab's.
  EXPECT_TRUE(Has(r.out, "kept as the lab has them: " + std::string(kRowFeatureSwitch))) << r.out;
  EXPECT_TRUE(Has(r.out, "run list: 1 paths added, 1 listed already")) << r.out;
  EXPECT_EQ(Scalar("SELECT count(*) FROM system_events WHERE alg = 2"), 2);
  EXPECT_EQ(Scalar("SELECT count(*) FROM run_list"), 3);

  r = Tavsec(lab_, "events verify");
  EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
  EXPECT_TRUE(Has(r.out, "system event log: 5 records, chain intact")) << r.out;

  // The same workstation again would log everything twice.
  r = Tavsec(lab_, "store migrate --from sqlite:" + a);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "migrated before; nothing was migrated")) << r.err;
  EXPECT_EQ(Scalar("SELECT count(*) FROM system_events"), 5);
}

TEST_F(TavsecStoreCli, NothingIsWrittenWhenTheSourceOrTheCopyFails) {
  Init();
  TempDataDir station;
  const std::string path = FillWorkstation(station, {"alice", "bob", "carol"}, true, {"/runs/1"});
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::GetAt(path, &db).ok());
  // bob's failed logon rewritten behind the library's back.
  ASSERT_TRUE(db->Write([](SqlDb& c) {
                  return c.Exec("UPDATE system_events SET record = record || x'00' WHERE seq = 2");
                }).ok());
  CommandResult r = Tavsec(lab_, "store migrate --from sqlite:" + path);
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_TRUE(Has(r.err, "the system event log does not verify: record 2")) << r.err;
  EXPECT_EQ(Scalar("SELECT (SELECT count(*) FROM system_events) + (SELECT count(*) FROM "
                   "config_audit) + (SELECT count(*) FROM settings)"),
            0);

  // A failure after the logs were copied takes them back too.
  TempDataDir intact;
  const std::string good = FillWorkstation(intact, {"dave"}, true, {"/runs/2"});
  ASSERT_TRUE(admin_->ExecText("DROP TABLE run_list").ok());
  r = Tavsec(lab_, "store migrate --from sqlite:" + good);
  EXPECT_EQ(r.exit_code, 1) << r.out;
  EXPECT_TRUE(Has(r.err, "run_list")) << r.err;
  EXPECT_EQ(Scalar("SELECT (SELECT count(*) FROM system_events) + (SELECT count(*) FROM "
                   "chain_heads) + (SELECT count(*) FROM settings)"),
            0);

  r = Tavsec(lab_, "store migrate --from " + path);
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_TRUE(Has(r.err, "sqlite:PATH")) << r.err;
}

}  // namespace
}  // namespace tav
