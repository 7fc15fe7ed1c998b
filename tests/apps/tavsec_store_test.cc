// The security store as tavsec sees it: nothing without the machine-wide
// store, tavsec setup making that store out of other users' reach, and
// stores that a full disk leaves whole or absent. Every machine path lives
// under a test root (TAV_MACHINE_ROOT, tavsec setup --root).
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "util/data_dir.h"

namespace tav {
namespace {

namespace fs = std::filesystem;
using testing::CommandResult;
using testing::RunCommand;

bool Has(const std::string& text, const std::string& part) {
  return text.find(part) != std::string::npos;
}

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
    std::string env = "umask 022; env -u TAV_DATA_DIR -u XDG_DATA_HOME TAV_MACHINE_ROOT=" + root_ +
                      " HOME=" + home_ + " TAV_STEALTH_NAME=" + flag_;
    if (!data_dir.empty()) env += " TAV_DATA_DIR=" + data_dir;
    return RunCommand(env + " " + TAVSEC_PATH + " " + args, input);
  }
  CommandResult Setup(const std::string& extra = "") {
    return Tavsec("setup --root " + root_ + " --group " + group_ + " " + extra);
  }
  std::string Store() const { return root_ + kSystemDataDir; }

  testing::TempDataDir dir_;  // holds everything; its TAV_DATA_DIR is not passed on
  std::string root_, home_, flag_, group_;
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
  const gid_t gid = getegid();
  auto mode_of = [](const std::string& path, gid_t* group = nullptr) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    if (group != nullptr) *group = st.st_gid;
    return st.st_mode & 07777;
  };
  gid_t group = 0;
  EXPECT_EQ(mode_of(Store(), &group), 03770u);
  EXPECT_EQ(group, gid);
  EXPECT_EQ(mode_of(Store() + "/compliance.db", &group), 0660u) << "never world readable";
  EXPECT_EQ(group, gid);
  EXPECT_EQ(mode_of(Store() + "/accounts.db", &group), 0640u);
  EXPECT_EQ(group, gid);
  EXPECT_TRUE(Has(Slurp(root_ + "/etc/pam.d/tavsecurity"), "auth     include common-auth"));
  EXPECT_TRUE(Has(Slurp(root_ + kMachineConfigFile), "allow_data_dir_override = no"));
  EXPECT_TRUE(Has(Slurp(root_ + "/etc/tmpfiles.d/tavsecurity.conf"),
                  "f /dev/shm/" + flag_ + " 0660 root " + group_));
  EXPECT_EQ(mode_of("/dev/shm/" + flag_, &group), 0660u);
  EXPECT_EQ(group, gid);
  EXPECT_EQ(Tavsec("stealth on").exit_code, 0);

  // Writes made by a member keep the group's modes.
  run = Tavsec("user add bob --group tav-users", "", "Bob-Secret-1\n");
  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(mode_of(Store() + "/accounts.db"), 0640u) << "members must still read it";
  ASSERT_EQ(Tavsec("config set part11 on --reason setup").exit_code, 0);
  EXPECT_EQ(mode_of(Store() + "/compliance.db"), 0660u);
  // Every member's processes count failed logons in one store.
  run = Tavsec("user check bob", "", "wrong\n");
  EXPECT_EQ(run.exit_code, 1);
  EXPECT_EQ(mode_of(Store() + "/lockout.db"), 0660u);

  // Setup again repairs what was opened up, and keeps the contents.
  chmod((Store() + "/compliance.db").c_str(), 0666);
  ASSERT_EQ(Setup().exit_code, 0);
  EXPECT_EQ(mode_of(Store() + "/compliance.db"), 0660u);
  EXPECT_TRUE(Has(Tavsec("config show").out, "features: on"));
  EXPECT_TRUE(Has(Tavsec("user list").out, "bob"));
}

TEST_F(TavsecStoreTest, TheVariableReplacesTheStoreOnlyWhenTheMachineAllows) {
  ASSERT_EQ(Setup().exit_code, 0);
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

// A full disk (here: a file size limit) while a store is made leaves no
// file, so the next command starts afresh instead of rejecting it.
TEST(TavsecFullDisk, AFailedCreateLeavesNoStoreBehind) {
  TAV_SKIP_ON_LAB_STORE("fills the disk under the database file");
  testing::TempDataDir dir;
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
