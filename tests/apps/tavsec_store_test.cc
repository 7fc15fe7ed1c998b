// The security store as tavsec sees it: nothing without the machine-wide
// store, tavsec setup making that store out of other users' reach and
// handing the password hashes to the service's account (refusing what a
// member planted in the folder), and stores that a full disk leaves whole or
// absent. Every machine path lives under a test root (TAV_MACHINE_ROOT,
// tavsec setup --root).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <pwd.h>
#include <sqlite3.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "testing/run_command.h"
#include "testing/system_user.h"
#include "testing/service_process.h"
#include "testing/temp_data_dir.h"
#include "util/data_dir.h"

namespace tav {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::RunCommand;

using testing::Has;

std::string Slurp(const std::string& path) {
  std::stringstream text;
  text << std::ifstream(path, std::ios::binary).rdbuf();
  return text.str();
}

// A test root, a home folder and a stealth flag name of the test's own.
class TavsecStoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!DataDirOverrideAllowed("")) {
      GTEST_SKIP() << "this machine's store does not allow test roots (allow_data_dir_override)";
    }
    // An older tavsec knows no machine root and would use the real store.
    ASSERT_EQ(RunCommand(std::string(TAVSEC_PATH) + " setup --help").exit_code, 0);
    root_ = dir_.path() + "/root";
    home_ = dir_.path() + "/home";
    fs::create_directory(root_);
    fs::create_directory(home_);
    flag_ = "tav_store_test_" + std::to_string(getpid());
    group_ = getgrgid(getegid())->gr_name;
  }
  void TearDown() override { shm_unlink(("/" + flag_).c_str()); }

  // tavsec with the test root as the machine; `data_dir` as TAV_DATA_DIR
  // when not empty.
  CommandResult Tavsec(const std::string& args, const std::string& data_dir = "",
                       const std::string& input = "") {
    std::string env = "umask 022; env -u TAV_DATA_DIR -u XDG_DATA_HOME -u TAV_SOCKET "
                      "TAV_MACHINE_ROOT=" + root_ +
                      " HOME=" + home_ + " TAV_STEALTH_NAME=" + flag_;
    if (!data_dir.empty()) env += " TAV_DATA_DIR=" + data_dir;
    return RunCommand(env + " " + TAVSEC_PATH + " " + args, input);
  }
  CommandResult Setup(const std::string& extra = "") {
    return Tavsec("setup --root " + root_ + " --group " + group_ + " " + extra);
  }
  std::string Store() const { return root_ + kSystemDataDir; }

  // The compliance service of the test root, on its socket there, as
  // socket activation gives it on a machine that is set up: tavsec asks it
  // for the settings.
  void StartService() {
    fs::create_directories(root_ + "/run");
    ::setenv("TAV_MACHINE_ROOT", root_.c_str(), 1);
    service_ = std::make_unique<testing::ServiceProcess>(Store(),
                                                         root_ + "/run/tavsecurity/socket");
    ::unsetenv("TAV_MACHINE_ROOT");
    ASSERT_TRUE(service_->ready()) << "tavsecd did not start";
  }

  testing::TempDataDir dir_;  // holds everything; its TAV_DATA_DIR is not passed on
  std::string root_, home_, flag_, group_;
  std::unique_ptr<testing::ServiceProcess> service_;
};

TEST_F(TavsecStoreTest, WithoutAStoreCommandsFailAndCreateNothing) {
  for (const char* args : {"config show", "events list", "events verify", "user list",
                           "config set part11 off --reason x"}) {
    CommandResult run = Tavsec(args);
    EXPECT_NE(run.exit_code, 0) << args;
    EXPECT_TRUE(Has(run.err, "tavsec setup")) << args << ": " << run.err;
  }
  CommandResult run = Tavsec("user add bob", "", "Bob-Secret-1\n");
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(Has(run.err, "tavsec setup")) << run.err;
  EXPECT_TRUE(fs::is_empty(root_));
  EXPECT_TRUE(fs::is_empty(home_)) << "no private store behind the user's back";
}

TEST_F(TavsecStoreTest, SetupKeepsTheStoreOutOfOtherUsersReach) {
  CommandResult run = Setup();
  ASSERT_EQ(run.exit_code, 0) << run.err;
  StartService();
  const gid_t gid = getegid();
  auto mode_of = [](const std::string& path, gid_t* group = nullptr) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    if (group != nullptr) *group = st.st_gid;
    return st.st_mode & 07777;
  };
  gid_t group = 0;
  EXPECT_EQ(mode_of(Store(), &group), 0700u) << "members reach it through the service alone";
  EXPECT_EQ(mode_of(Store() + "/compliance.db", &group), 0600u);
  EXPECT_EQ(mode_of(Store() + "/accounts.db"), 0600u) << "the service's alone";
  EXPECT_EQ(mode_of(Store() + "/lockout.db"), 0600u) << "the service's alone";
  EXPECT_TRUE(Has(Slurp(root_ + "/etc/pam.d/tavsecurity"), "auth     include common-auth"));
  EXPECT_TRUE(Has(Slurp(root_ + kMachineConfigFile), "allow_data_dir_override = no"));
  EXPECT_TRUE(Has(Slurp(root_ + "/etc/tmpfiles.d/tavsecurity.conf"),
                  "f /dev/shm/" + flag_ + " 0660 root " + group_));
  EXPECT_EQ(mode_of("/dev/shm/" + flag_, &group), 0660u);
  EXPECT_EQ(group, gid);
  EXPECT_EQ(Tavsec("stealth on").exit_code, 0);

  // Later writes keep the modes.
  run = Tavsec("user add bob --group tav-users", "", "Bob-Secret-1\n");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(mode_of(Store() + "/accounts.db"), 0600u);
  ASSERT_EQ(Tavsec("config set part11 on --reason setup").exit_code, 0);
  EXPECT_EQ(mode_of(Store() + "/compliance.db"), 0600u);
  run = Tavsec("user check bob", "", "wrong\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(mode_of(Store() + "/lockout.db"), 0600u);

  // Setup again repairs what was opened up, and keeps the contents.
  chmod((Store() + "/compliance.db").c_str(), 0666);
  chmod(Store().c_str(), 03770);
  ASSERT_EQ(Setup().exit_code, 0);
  EXPECT_EQ(mode_of(Store() + "/compliance.db"), 0600u);
  EXPECT_EQ(mode_of(Store()), 0700u);
  EXPECT_TRUE(Has(Tavsec("config show").out, "features: on"));
  EXPECT_TRUE(Has(Tavsec("user list").out, "bob"));
}

TEST_F(TavsecStoreTest, TheVariableReplacesTheStoreOnlyWhenTheMachineAllows) {
  ASSERT_EQ(Setup().exit_code, 0);
  StartService();
  const std::string mine = dir_.path() + "/mine";
  ASSERT_EQ(Tavsec("config set part11 on --reason x", mine).exit_code, 0);
  EXPECT_FALSE(fs::exists(mine)) << "TAV_DATA_DIR was used beside the machine store";
  EXPECT_TRUE(Has(Tavsec("events list").out, "Enabled 21CFR11"));

  ASSERT_EQ(Setup("--data-dir-override allow").exit_code, 0);
  CommandResult run = Tavsec("config show", mine);
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "features: off")) << "a fresh store of its own";
}

TEST_F(TavsecStoreTest, SetupReplacesAStealthFlagSomebodyElseMade) {
  if (geteuid() != 0) GTEST_SKIP() << "only root can make a flag owned by somebody else";
  int fd = shm_open(("/" + flag_).c_str(), O_RDWR | O_CREAT | O_EXCL, 0444);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchown(fd, 65534, 65534), 0);
  close(fd);
  CommandResult run = Setup();
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "replaced the flag left by uid 65534")) << run.out;
  struct stat st {};
  ASSERT_EQ(stat(("/dev/shm/" + flag_).c_str(), &st), 0);
  EXPECT_EQ(st.st_uid, 0u);
  EXPECT_EQ(st.st_mode & 0777, 0660u);
}

// What the store holds after setup: name, owner, group and mode of each entry.
std::string Snapshot(const std::string& dir) {
  std::vector<std::string> lines;
  for (const auto& entry : fs::directory_iterator(dir)) {
    struct stat st {};
    lstat(entry.path().c_str(), &st);
    std::ostringstream line;
    line << entry.path().filename().string() << " " << st.st_uid << ":" << st.st_gid << " "
         << std::oct << (st.st_mode & 07777);
    lines.push_back(line.str());
  }
  std::sort(lines.begin(), lines.end());
  std::string text;
  for (const std::string& line : lines) text += line + "\n";
  return text;
}


struct Node {
  uid_t uid = 0;
  mode_t mode = 0;
  bool regular = false;
};
Node Inspect(const std::string& path) {
  struct stat st {};
  Node node;
  if (lstat(path.c_str(), &st) == 0) {
    node = Node{st.st_uid, st.st_mode & 07777, S_ISREG(st.st_mode)};
  }
  return node;
}

TEST_F(TavsecStoreTest, SetupGivesTheHashesToTheServiceAloneAndKeepsThemOnEveryRun) {
  std::unique_ptr<testing::SystemUser> account;
  std::string user_option;
  uid_t service_uid = geteuid();
  if (geteuid() == 0) {
    account = std::make_unique<testing::SystemUser>("tavsvc", group_);
    ASSERT_TRUE(account->ok()) << "useradd failed";
    user_option = "--user " + account->name();
    service_uid = account->uid();
  }
  CommandResult run = Setup(user_option);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  StartService();
  for (const char* name : {"/accounts.db", "/lockout.db"}) {
    const Node node = Inspect(Store() + name);
    EXPECT_TRUE(node.regular) << name;
    EXPECT_EQ(node.uid, service_uid) << name;
    EXPECT_EQ(node.mode, 0600u) << name;
  }
  EXPECT_EQ(Inspect(Store() + "/compliance.db").uid, service_uid) << "no member writes it";
  EXPECT_EQ(Inspect(Store() + "/compliance.db").mode, 0600u);
  EXPECT_EQ(Inspect(Store()).uid, service_uid);
  EXPECT_EQ(Inspect(Store()).mode, 0700u);

  ASSERT_EQ(Tavsec("user add bob", "", "Bob-Secret-1\n").exit_code, 0);
  // An administrator's security.conf, written the old way, stays root's
  // (the service may read it, never change its own rules).
  std::ofstream(Store() + "/security.conf") << "domain = LAB\n";
  chmod((Store() + "/security.conf").c_str(), 0664);
  run = Setup(user_option);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Has(run.out, "accounts.db: taken over")) << run.out;
  EXPECT_EQ(Inspect(Store() + "/security.conf").uid, geteuid());
  EXPECT_EQ(Inspect(Store() + "/security.conf").mode, 0640u);

  const std::string before = Snapshot(Store());
  run = Setup(user_option);
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(Snapshot(Store()), before) << "a second run changed the store";
  EXPECT_TRUE(Has(Tavsec("user list").out, "bob"));
}

// The attacker is a member: the folder lets him create names. A journal he
// writes beside accounts.db would be played back by the next open.
TEST_F(TavsecStoreTest, SetupRefusesAPlantedJournalInsteadOfPlayingItBack) {
  ASSERT_EQ(Setup().exit_code, 0);
  StartService();
  ASSERT_EQ(Tavsec("user add mallory", "", "Planted-Journal-Key-7\n").exit_code, 0);
  const std::string accounts = Store() + "/accounts.db";

  // The journal of a transaction that took administration away from
  // mallory: playing it back gives it to him.
  const std::string scratch = dir_.path() + "/scratch";
  fs::create_directory(scratch);
  fs::copy_file(accounts, scratch + "/accounts.db");
  sqlite3* db = nullptr;
  ASSERT_EQ(sqlite3_open((scratch + "/accounts.db").c_str(), &db), SQLITE_OK);
  // Without syncs SQLite writes the journal's header valid at once.
  ASSERT_EQ(sqlite3_exec(db,
                         "PRAGMA synchronous=OFF; PRAGMA journal_mode=DELETE;"
                         "UPDATE users SET is_admin = 1 WHERE name = 'mallory';"
                         "BEGIN IMMEDIATE; UPDATE users SET is_admin = 0 WHERE name = 'mallory';",
                         nullptr, nullptr, nullptr),
            SQLITE_OK);
  const std::string journal = Slurp(scratch + "/accounts.db-journal");
  sqlite3_close_v2(db);  // rolls back
  ASSERT_FALSE(journal.empty());

  // The journal works: a copy of the store opened with it makes him admin.
  const std::string proof = dir_.path() + "/proof";
  fs::create_directory(proof);
  fs::copy_file(accounts, proof + "/accounts.db");
  std::ofstream(proof + "/accounts.db-journal", std::ios::binary) << journal;
  ASSERT_EQ(sqlite3_open((proof + "/accounts.db").c_str(), &db), SQLITE_OK);
  sqlite3_stmt* query = nullptr;
  sqlite3_prepare_v2(db, "SELECT is_admin FROM users WHERE name = 'mallory'", -1, &query, nullptr);
  ASSERT_EQ(sqlite3_step(query), SQLITE_ROW);
  ASSERT_EQ(sqlite3_column_int(query, 0), 1) << "the planted journal would not do harm";
  sqlite3_finalize(query);
  sqlite3_close_v2(db);

  const std::string planted = accounts + "-journal";
  std::ofstream(planted, std::ios::binary) << journal;
  if (geteuid() == 0) {
    ASSERT_EQ(chown(planted.c_str(), 65534, getegid()), 0);
  }
  const std::string contents = Slurp(accounts);
  CommandResult run = Setup();
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(Has(run.err, planted)) << run.err;
  EXPECT_EQ(Slurp(accounts), contents) << "the journal was played back";
  EXPECT_EQ(Slurp(planted), journal) << "the evidence is kept";
  fs::remove(planted);

  // Every journal of the service's databases is refused, whatever it holds.
  for (const char* name : {"/accounts.db-wal", "/lockout.db-journal", "/lockout.db-wal"}) {
    std::ofstream(Store() + name) << "planted";
    run = Setup();
    EXPECT_NE(run.exit_code, 0) << name;
    EXPECT_TRUE(Has(run.err, Store() + name)) << run.err;
    fs::remove(Store() + name);
  }
  EXPECT_EQ(Setup().exit_code, 0) << "the store is whole once they are gone";
}

TEST_F(TavsecStoreTest, SetupRefusesALinkInPlaceOfTheLockoutDatabase) {
  ASSERT_EQ(Setup().exit_code, 0);
  const std::string lockout = Store() + "/lockout.db";
  const std::string elsewhere = dir_.path() + "/elsewhere";
  fs::create_directory(elsewhere);
  fs::remove(lockout);

  // A link to a name that does not exist: setup as root must not create it.
  fs::create_symlink(elsewhere + "/made-by-root", lockout);
  CommandResult run = Setup();
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(Has(run.err, lockout + " is a symbolic link")) << run.err;
  EXPECT_FALSE(fs::exists(elsewhere + "/made-by-root"));

  // A link to somebody's file: not given to the service, not opened up.
  const std::string precious = elsewhere + "/precious";
  std::ofstream(precious) << "keep me\n";
  chmod(precious.c_str(), 0644);
  fs::remove(lockout);
  fs::create_symlink(precious, lockout);
  run = Setup();
  EXPECT_NE(run.exit_code, 0);
  const Node node = Inspect(precious);
  EXPECT_EQ(node.uid, geteuid());
  EXPECT_EQ(node.mode, 0644u);
  EXPECT_EQ(Slurp(precious), "keep me\n");
  EXPECT_TRUE(fs::is_symlink(lockout)) << "left for the administrator to see";
}

// A full disk (here: a file size limit) while a store is made leaves no
// file, so the next command starts afresh instead of rejecting it. The
// limit is tavsec's own, so tavsec must be the store's writer: a private
// store, without the suite's service.
TEST(TavsecFullDisk, AFailedCreateLeavesNoStoreBehind) {
  TAV_SKIP_ON_LAB_STORE("fills the disk under the database file");
  testing::TempDataDir dir;
  testing::WithoutSuiteService private_store;
  const std::string tavsec = TAVSEC_PATH;
  const std::string limited = "trap '' XFSZ; ulimit -f 1; ";
  CommandResult run = RunCommand(limited + tavsec + " user add bob", "Bob-Secret-1\n");
  EXPECT_NE(run.exit_code, 0);
  run = RunCommand(limited + tavsec + " config set part11 on --reason x");
  EXPECT_NE(run.exit_code, 0);
  EXPECT_TRUE(fs::is_empty(dir.path())) << "a partial store was left behind";

  run = RunCommand(tavsec + " user add bob", "Bob-Secret-1\n");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Has(RunCommand(tavsec + " user list").out, "bob"));
  run = RunCommand(tavsec + " config set part11 on --reason x");
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_TRUE(Has(RunCommand(tavsec + " config show").out, "features: on"));
}

}  // namespace
}  // namespace tav
