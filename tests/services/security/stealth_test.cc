// The stealth-mode flag, within one process and across processes.
#include "util/stealth.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

extern char** environ;

namespace tav {
namespace {

// A flag name of this test alone, removed afterwards.
class ScopedFlagName {
 public:
  ScopedFlagName() {
    static int counter = 0;
    name_ = "tav_stealth_test_" + std::to_string(getpid()) + "_" + std::to_string(++counter);
  }
  ~ScopedFlagName() { shm_unlink(path().c_str()); }
  const std::string& name() const { return name_; }
  std::string path() const { return "/" + name_; }

 private:
  std::string name_;
};

TEST(StealthFlagTest, NewFlagIsOffAndOpenToEveryUser) {
  ScopedFlagName name;
  mode_t old_umask = umask(077);
  StealthFlag flag(name.path());
  umask(old_umask);
  ASSERT_TRUE(flag.valid());
  EXPECT_FALSE(flag.Get());

  int fd = shm_open(name.path().c_str(), O_RDONLY, 0);
  ASSERT_GE(fd, 0);
  struct stat st;
  ASSERT_EQ(fstat(fd, &st), 0);
  close(fd);
  EXPECT_EQ(st.st_mode & 0777, 0666u);
}

TEST(StealthFlagTest, EveryOpenerSeesEverySwitch) {
  ScopedFlagName name;
  StealthFlag first(name.path());
  ASSERT_TRUE(first.Set(true));
  StealthFlag second(name.path());  // opens the existing object
  EXPECT_TRUE(second.Get());
  ASSERT_TRUE(second.Set(false));
  EXPECT_FALSE(first.Get());
}

TEST(StealthFlagTest, FlagThatCannotBeOpenedReadsOff) {
  StealthFlag flag("/" + std::string(300, 'x'));
  EXPECT_FALSE(flag.valid());
  EXPECT_FALSE(flag.Get());
  EXPECT_FALSE(flag.Set(true));
}

TEST(StealthFlagTest, TruncatedObjectReadsOffInsteadOfCrashing) {
  ScopedFlagName name;
  StealthFlag flag(name.path());
  ASSERT_TRUE(flag.Set(true));
  // Any local user may do this to the shared object.
  int fd = shm_open(name.path().c_str(), O_RDWR, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(ftruncate(fd, 0), 0);
  close(fd);
  EXPECT_FALSE(flag.Get());
  ASSERT_TRUE(flag.Set(true));
  EXPECT_TRUE(flag.Get());
}

// The machine-wide flag: made only by tavsec setup, trusted only while it
// is its owner's alone to switch.
TEST(MachineStealthFlagTest, AMissingFlagIsNotCreatedAndReadsOff) {
  ScopedFlagName name;
  StealthFlag flag(name.path(), geteuid());
  EXPECT_FALSE(flag.valid());
  EXPECT_FALSE(flag.Set(true));
  EXPECT_NE(flag.problem().find("tavsec setup"), std::string::npos) << flag.problem();
  EXPECT_LT(shm_open(name.path().c_str(), O_RDONLY, 0), 0) << "the library made the flag";
}

TEST(MachineStealthFlagTest, OnlyAFlagClosedToOthersIsTrusted) {
  ScopedFlagName name;
  StealthFlag made(name.path());  // as somebody who got there first: mode 0666
  ASSERT_TRUE(made.Set(true));

  StealthFlag open_to_all(name.path(), geteuid());
  EXPECT_FALSE(open_to_all.valid());
  EXPECT_FALSE(open_to_all.Get()) << "an untrusted flag reads off";
  EXPECT_FALSE(open_to_all.Set(false));
  EXPECT_NE(open_to_all.problem().find("not trusted"), std::string::npos);

  StealthFlag someone_elses(name.path(), geteuid() + 1);
  EXPECT_FALSE(someone_elses.valid());

  int fd = shm_open(name.path().c_str(), O_RDWR, 0);
  ASSERT_GE(fd, 0);
  ASSERT_EQ(fchmod(fd, 0660), 0);  // as tavsec setup leaves it
  close(fd);
  StealthFlag group_flag(name.path(), geteuid());
  ASSERT_TRUE(group_flag.valid()) << group_flag.problem();
  EXPECT_TRUE(group_flag.problem().empty());
  EXPECT_TRUE(group_flag.Get());
  EXPECT_TRUE(group_flag.Set(false));
}

TEST(StealthFlagTest, NameComesFromTheEnvironmentWhenValid) {
  const std::string own = std::getenv("TAV_STEALTH_NAME") != nullptr ? std::getenv("TAV_STEALTH_NAME") : "";
  setenv("TAV_STEALTH_NAME", "lab_flag", 1);
  EXPECT_EQ(StealthFlag::DefaultName(), "/lab_flag");
  setenv("TAV_STEALTH_NAME", "../etc", 1);
  EXPECT_EQ(StealthFlag::DefaultName(), "/TAVStealthModeEvent");
  unsetenv("TAV_STEALTH_NAME");
  EXPECT_EQ(StealthFlag::DefaultName(), "/TAVStealthModeEvent");
  if (!own.empty()) setenv("TAV_STEALTH_NAME", own.c_str(), 1);
}

// Runs only as the child process of the next test: it checks the flag as a
// freshly started program sees it, then switches it off.
TEST(StealthChild, SeesTheParentsSwitchAndSwitchesBack) {
  const char* expect = std::getenv("TAV_STEALTH_CHILD_EXPECT");
  if (expect == nullptr) GTEST_SKIP() << "runs as the child of SecondProcessShares";
  EXPECT_EQ(IsStealthMode(), std::strcmp(expect, "on") == 0);
  EXPECT_TRUE(SetStealthMode(false));
}

// Runs this test program again, with only the StealthChild tests, in an
// environment without TAV_STEALTH_ variables plus `extra`. Stores the
// child's process id in *pid and returns its wait status.
int RunStealthChild(const std::vector<std::string>& extra, pid_t* pid) {
  // Everything the child needs is built before fork(): between fork and exec
  // only async-signal-safe calls are allowed.
  std::vector<std::string> env_text;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "TAV_STEALTH_", 12) != 0) env_text.emplace_back(*e);
  }
  env_text.insert(env_text.end(), extra.begin(), extra.end());
  std::vector<char*> env;
  for (std::string& e : env_text) env.push_back(e.data());
  env.push_back(nullptr);
  char exe[] = "/proc/self/exe";
  char filter[] = "--gtest_filter=StealthChild.*";
  char* argv[] = {exe, filter, nullptr};

  *pid = fork();
  if (*pid < 0) return -1;
  if (*pid == 0) {
    execve(exe, argv, env.data());
    _exit(127);
  }
  int status = 0;
  if (waitpid(*pid, &status, 0) != *pid) return -1;
  return status;
}

TEST(StealthFlagTest, SecondProcessShares) {
  ScopedFlagName name;
  StealthFlag flag(name.path());
  ASSERT_TRUE(flag.Set(true));

  pid_t pid = -1;
  const int status =
      RunStealthChild({"TAV_STEALTH_NAME=" + name.name(), "TAV_STEALTH_CHILD_EXPECT=on"}, &pid);
  ASSERT_TRUE(status >= 0 && WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0) << "the child saw the flag off or could not switch it";
  EXPECT_FALSE(flag.Get());
}

// Runs this program again as a test program is run, without a flag name:
// it names a flag of its own, uses it, and must leave nothing behind.
TEST(StealthFlagTest, TestProgramLeavesNoFlagBehind) {
  // This program's flag is its own, so that it may remove it as it ends
  // (a name shared between runs would stay in /dev/shm for good).
  const char* own = std::getenv("TAV_STEALTH_NAME");
  ASSERT_NE(own, nullptr);
  EXPECT_EQ(std::string(own), "tav_stealth_test_" + std::to_string(getpid()));

  pid_t pid = -1;
  const int status = RunStealthChild({"TAV_STEALTH_CHILD_EXPECT=off"}, &pid);
  ASSERT_TRUE(status >= 0 && WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
  // The program re-executes itself (same process id) to name its flag.
  const std::string left = "/tav_stealth_test_" + std::to_string(pid);
  errno = 0;
  const int fd = shm_open(left.c_str(), O_RDONLY, 0);
  if (fd >= 0) {
    close(fd);
    shm_unlink(left.c_str());
  }
  EXPECT_LT(fd, 0) << left << " was left in /dev/shm";
  EXPECT_EQ(errno, ENOENT);
}

}  // namespace
}  // namespace tav
