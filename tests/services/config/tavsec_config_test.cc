// tavsec config, run as an administrator would.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <cstdio>
#include <fstream>
#include <string>

#include "services/filelib/acting_user.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

using testing::RunCommand;
using testing::TempDataDir;

testing::CommandResult Tavsec(const std::string& args) {
  return RunCommand(std::string(TAVSEC_PATH) + " " + args);
}

TEST(TavsecConfig, ChangesByNumberOrNameAreShownAndAudited) {
  TempDataDir dir;
  EXPECT_EQ(Tavsec("config grant analysts 'manage run list' --reason 'SOP 12'").exit_code, 0);
  EXPECT_EQ(Tavsec("config revoke 3 11").exit_code, 0);
  EXPECT_EQ(Tavsec("config set idle-timeout 30").exit_code, 0);
  EXPECT_EQ(Tavsec("config audit-type .tvt required").exit_code, 0);
  EXPECT_EQ(Tavsec("config esig method 'approved thermal' required").exit_code, 0);
  EXPECT_EQ(Tavsec("config set part11 on").exit_code, 0);

  testing::CommandResult r = Tavsec("config show");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("21 CFR Part 11 features: on\nIdle timeout: 30 minutes\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("  tav-analysts:\n"), std::string::npos);
  EXPECT_NE(r.out.find("Templates (*.tvt): Audited, Reason for Change Required"),
            std::string::npos);
  EXPECT_NE(r.out.find("Approved Thermal Profile: Required"), std::string::npos);

  r = Tavsec("config trail");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  const std::string user = ActingUserName();
  EXPECT_NE(r.out.find("#1  "), std::string::npos);
  EXPECT_NE(r.out.find("  " + user + "  reason: SOP 12\n  Added Record: Access Control Settings"
                       " > tav-analysts > Controlled Activity 6 (Manage Run List)\n"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("Deleted Record: Access Control Settings > tav-operators > Controlled "
                       "Activity 11 (Print Reports)"),
            std::string::npos)
      << r.out;
  EXPECT_NE(r.out.find("[From] 0 [To] 30"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("#6  "), std::string::npos);

  // The switch is a system event of the user who ran tavsec.
  r = Tavsec("events list");
  EXPECT_NE(r.out.find(", " + user + ", Enabled 21CFR11\n"), std::string::npos) << r.out;
}

TEST(TavsecConfig, SettingsChangedBehindItsBackAreReportedUntilSealed) {
  TAV_SKIP_ON_LAB_STORE("the seal of the settings is the embedded store's");
  TempDataDir dir;
  dir.AllowPlainPasswords();
  const std::string tavsec = TAVSEC_PATH;
  ASSERT_EQ(RunCommand(tavsec + " user add qa --admin", "QA-Pass-1\n").exit_code, 0);
  ASSERT_EQ(Tavsec("config set part11 on").exit_code, 0);
  EXPECT_EQ(Tavsec("config verify").exit_code, 0);
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open(dir.File("compliance.db").c_str(), &db), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(db, "DELETE FROM settings", nullptr, nullptr, nullptr), SQLITE_OK);
  sqlite3_close(db);

  testing::CommandResult r = Tavsec("events verify");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("settings: "), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("VERIFICATION FAILED"), std::string::npos) << r.out;
  r = Tavsec("config verify");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("do not match their seal"), std::string::npos) << r.out;
  r = Tavsec("config show");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.out.find("The stored settings are refused"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("21 CFR Part 11 features: on"), std::string::npos) << r.out;

  EXPECT_NE(Tavsec("config seal").exit_code, 0);  // a reason is required
  // The refused rights name nobody: a service administrator accepts them.
  r = Tavsec("config seal --reason 'reviewed, QA-7'");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("--by"), std::string::npos) << r.err;
  r = RunCommand(tavsec + " config seal --reason 'reviewed, QA-7' --by qa", "QA-Pass-1\n");
  EXPECT_EQ(r.exit_code, 0) << r.err;
  EXPECT_EQ(Tavsec("config verify").exit_code, 0);
  EXPECT_EQ(Tavsec("events verify").exit_code, 0);
  EXPECT_NE(Tavsec("config show").out.find("21 CFR Part 11 features: off"), std::string::npos);
}

TEST(TavsecConfig, RefusesWhatItCannotUnderstandOrStore) {
  TAV_SKIP_ON_LAB_STORE("edits the database file");
  TempDataDir dir;
  testing::CommandResult r = Tavsec("config grant nobody 1");
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("unknown group 'nobody'"), std::string::npos) << r.err;
  EXPECT_NE(r.err.find("0  tav-admins"), std::string::npos);
  EXPECT_EQ(Tavsec("config grant tav 1").exit_code, 2);  // ambiguous
  EXPECT_EQ(Tavsec("config grant 0 14").exit_code, 2);
  EXPECT_EQ(Tavsec("config set idle-timeout 601").exit_code, 2);
  EXPECT_EQ(Tavsec("config set idle-timeout 1x").exit_code, 2);
  EXPECT_EQ(Tavsec("config set part11 maybe").exit_code, 2);
  EXPECT_EQ(Tavsec("config audit-type 0 none").exit_code, 2);  // always audited
  EXPECT_EQ(Tavsec("config esig report 0 1").exit_code, 2);    // no reasons
  EXPECT_EQ(Tavsec("config trail").out, "");                   // nothing was changed

  // A damaged database: a clear message, exit 1, the file left alone.
  Tavsec("config show");
  std::remove(dir.File("compliance.db-wal").c_str());
  std::remove(dir.File("compliance.db-shm").c_str());
  {
    std::fstream db(dir.File("compliance.db"), std::ios::in | std::ios::out | std::ios::binary);
    db.write("garbage", 7);
  }
  dir.RestartService();
  r = Tavsec("config grant 2 6");
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("compliance.db: the file is damaged or not a database"), std::string::npos)
      << r.err;
  std::ifstream check(dir.File("compliance.db"), std::ios::binary);
  char head[7];
  check.read(head, 7);
  EXPECT_EQ(std::string(head, 7), "garbage");
}

}  // namespace
}  // namespace tav
