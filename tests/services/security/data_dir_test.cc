// Where the data directory is: the machine-wide store or nothing, and
// TAV_DATA_DIR only where the machine allows it. Every case runs under a
// test root of its own, never against the real /var/lib or /etc.
#include "util/data_dir.h"

#include <gtest/gtest.h>
#include <grp.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "services/security/korwinsec.h"
#include "services/security/result_codes.h"
#include "services/security/security_config.h"

namespace tav {
namespace {

namespace fs = std::filesystem;

class DataDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tav_data_dir_test.XXXXXX";
    root_ = mkdtemp(name);
    home_ = root_ + "/home";
    fs::create_directory(home_);
    SetMachineRootForTesting(root_ + "/machine");
    fs::create_directory(root_ + "/machine");
    unsetenv("TAV_DATA_DIR");
    setenv("HOME", home_.c_str(), 1);
    setenv("XDG_DATA_HOME", (home_ + "/xdg").c_str(), 1);
  }
  void TearDown() override {
    SetMachineRootForTesting("");
    unsetenv("TAV_DATA_DIR");
    unsetenv("XDG_DATA_HOME");
    fs::remove_all(root_);
  }

  std::string Machine(const char* path) const { return root_ + "/machine" + path; }
  void MakeStore() const { fs::create_directories(Machine(kSystemDataDir)); }
  void WriteMachineConfig(const std::string& text, mode_t mode) const {
    fs::create_directories(Machine("/etc/tavsecurity"));
    std::ofstream(Machine(kMachineConfigFile)) << text;
    chmod(Machine(kMachineConfigFile).c_str(), mode);
  }
  bool Empty(const std::string& dir) const { return fs::is_empty(dir); }

  std::string root_;
  std::string home_;
};

TEST_F(DataDirTest, WithoutTheMachineStoreNothingIsUsableAndNothingIsMade) {
  DataDirChoice choice;
  StoreStatus status = LocateDataDir(&choice);
  EXPECT_EQ(status.code(), StoreStatus::kUnavailable);
  EXPECT_NE(status.message().find("tavsec setup"), std::string::npos) << status.message();
  EXPECT_EQ(EnsureDataDir(&choice).code(), StoreStatus::kUnavailable);

  SecurityConfig config;
  std::string error;
  EXPECT_FALSE(LoadSecurityConfig(&config, &error));
  EXPECT_EQ(KorWinSec_aAuthenticateUser("alice", "", "secret"), kSecBackendUnavailable);
  EXPECT_NE(SecurityBackendErrorDetail().find(kSystemDataDir), std::string::npos);
  HANDLE token = nullptr;
  EXPECT_EQ(KorWinSec_aImpersonateUser("alice", "", "secret", &token), kSecBackendUnavailable);

  EXPECT_TRUE(Empty(root_ + "/machine"));
  EXPECT_TRUE(Empty(home_)) << "no private store under the home folder";
}

TEST_F(DataDirTest, TheVariableCountsOnlyWhereTheMachineAllowsIt) {
  setenv("TAV_DATA_DIR", (root_ + "/mine/").c_str(), 1);
  DataDirChoice choice;
  ASSERT_TRUE(LocateDataDir(&choice).ok()) << "no machine store: tests and demos";
  EXPECT_EQ(choice.path, root_ + "/mine");
  EXPECT_FALSE(choice.machine_wide);

  MakeStore();
  ASSERT_TRUE(LocateDataDir(&choice).ok());
  EXPECT_EQ(choice.path, Machine(kSystemDataDir)) << "the store exists: the variable is ignored";
  EXPECT_TRUE(choice.machine_wide);

  WriteMachineConfig("# test machine\nallow_data_dir_override = yes\n", 0644);
  ASSERT_TRUE(LocateDataDir(&choice).ok());
  EXPECT_EQ(choice.path, root_ + "/mine");

  // A configuration that others may change, or that is unclear, allows
  // nothing.
  chmod(Machine(kMachineConfigFile).c_str(), 0666);
  ASSERT_TRUE(LocateDataDir(&choice).ok());
  EXPECT_TRUE(choice.machine_wide);
  WriteMachineConfig("allow_data_dir_override = maybe\n", 0644);
  ASSERT_TRUE(LocateDataDir(&choice).ok());
  EXPECT_TRUE(choice.machine_wide);
  WriteMachineConfig("allow_data_dir_override = no\n", 0644);
  ASSERT_TRUE(LocateDataDir(&choice).ok());
  EXPECT_TRUE(choice.machine_wide);
}

// A member of the machine cannot enter the store the service keeps: it is
// still the store (never replaced by a folder of the user's), and a caller
// that would open its files is told whose they are.
TEST_F(DataDirTest, AStoreTheUserMayNotEnterIsStillTheOneAndItsFilesAreTheServices) {
  MakeStore();
  ASSERT_EQ(chmod(Machine(kSystemDataDir).c_str(), 0700), 0);
  setenv("TAV_DATA_DIR", (home_ + "/own").c_str(), 1);
  auto check = [this]() -> int {
    DataDirChoice choice;
    if (!LocateDataDir(&choice).ok()) return 2;
    if (!choice.machine_wide || choice.path != Machine(kSystemDataDir)) return 3;
    StoreStatus files = MayOpenStoreFiles(choice);
    if (geteuid() == 0) return files.ok() ? 0 : 4;
    if (files.code() != StoreStatus::kUnavailable) return 5;
    if (files.message().find("compliance service's") == std::string::npos) return 6;
    return 0;
  };
  EXPECT_EQ(check(), 0);
  if (geteuid() != 0) return;
  // The same as an ordinary user: the folders above the store are open to
  // everybody, the store to its owner alone.
  for (const std::string& dir : {root_, root_ + "/machine", Machine("/var"), Machine("/var/lib")}) {
    chmod(dir.c_str(), 0755);
  }
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    if (setgroups(0, nullptr) != 0 || setgid(65534) != 0 || setuid(65534) != 0) _exit(1);
    _exit(check());
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "1: could not become nobody; 2: not located; 3: not the "
                                       "machine's store; 5, 6: the files were not refused";
  EXPECT_TRUE(Empty(home_));
}

TEST_F(DataDirTest, EnsureCreatesAPrivateFolderWhereTheVariableSays) {
  setenv("TAV_DATA_DIR", (root_ + "/a/b/").c_str(), 1);
  DataDirChoice choice;
  ASSERT_TRUE(EnsureDataDir(&choice).ok());
  EXPECT_EQ(choice.path, root_ + "/a/b");
  struct stat st;
  ASSERT_EQ(stat(choice.path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_TRUE(EnsureDataDir(&choice).ok()) << "an existing folder is fine";

  std::ofstream(root_ + "/file") << "x";
  setenv("TAV_DATA_DIR", (root_ + "/file/sub").c_str(), 1);
  StoreStatus status = EnsureDataDir(&choice);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(status.message().empty());
}

}  // namespace
}  // namespace tav
