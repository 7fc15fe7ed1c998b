// A configuration file that decides security counts only when nobody but
// root (or, for a private store, its own user) could have written it. The
// attacker here is a member who can create files where the configuration
// is looked for.
#include "util/trusted_config.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <future>
#include <string>

#include <gtest/gtest.h>

namespace tav {
namespace {

class TrustedConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tav-trusted-XXXXXX";
    ASSERT_NE(mkdtemp(name), nullptr);
    dir_ = name;
    path_ = dir_ + "/security.conf";
  }
  void TearDown() override { std::system(("rm -rf " + dir_).c_str()); }

  void Write(const std::string& text, mode_t mode) {
    std::ofstream(path_) << text;
    ASSERT_EQ(chmod(path_.c_str(), mode), 0);
  }

  StoreStatus Read(bool process_user_may_own, std::string* text, bool* present) {
    TrustedConfigRule rule;
    rule.process_user_may_own = process_user_may_own;
    rule.max_bytes = 64;
    return ReadTrustedConfig(path_, rule, text, present);
  }

  std::string dir_;
  std::string path_;
};

TEST_F(TrustedConfigTest, AFileOnlyItsOwnerMayWriteCountsAMissingOneIsTheDefaults) {
  std::string text = "stale";
  bool present = true;
  ASSERT_TRUE(Read(true, &text, &present).ok());
  EXPECT_FALSE(present);
  EXPECT_EQ(text, "");

  Write("lockout_deny = 5\n", 0644);
  ASSERT_TRUE(Read(true, &text, &present).ok());
  EXPECT_TRUE(present);
  EXPECT_EQ(text, "lockout_deny = 5\n");
}

TEST_F(TrustedConfigTest, WhatAnotherUserCouldHaveWrittenIsRefusedNamingFileAndReason) {
  std::string text;
  bool present = false;
  Write("lockout_deny = 0\n", 0664);
  StoreStatus status = Read(true, &text, &present);
  EXPECT_FALSE(status.ok());
  EXPECT_FALSE(present);
  EXPECT_EQ(text, "") << "nothing of a refused file is handed on";
  EXPECT_NE(status.message().find(path_), std::string::npos) << status.message();
  EXPECT_NE(status.message().find("group may write it (mode 0664)"), std::string::npos)
      << status.message();

  Write("lockout_deny = 0\n", 0646);
  EXPECT_NE(Read(true, &text, &present).message().find("others may write it"),
            std::string::npos);

  // A member's own file, where only root's counts.
  Write("admin_group = lab\n", 0644);
  if (geteuid() == 0) {
    ASSERT_EQ(chown(path_.c_str(), 4321, 4321), 0);
  }
  status = Read(false, &text, &present);
  if (geteuid() != 0) {
    // The file is the test user's: only root's counts.
    EXPECT_NE(status.message().find("only root's configuration counts"), std::string::npos);
  } else {
    EXPECT_NE(status.message().find("belongs to uid 4321"), std::string::npos)
        << status.message();
    EXPECT_FALSE(Read(true, &text, &present).ok()) << "another user's file counts nowhere";
  }
}

TEST_F(TrustedConfigTest, LinksFifosFoldersAndHugeFilesAreRefusedWithoutHanging) {
  std::string text;
  bool present = false;
  const std::string elsewhere = dir_ + "/elsewhere.conf";
  std::ofstream(elsewhere) << "domain = X\n";
  ASSERT_EQ(symlink(elsewhere.c_str(), path_.c_str()), 0);
  EXPECT_NE(Read(true, &text, &present).message().find("symbolic link"), std::string::npos);
  ASSERT_EQ(unlink(path_.c_str()), 0);

  // Nobody ever writes to the FIFO: a plain open would wait forever.
  ASSERT_EQ(mkfifo(path_.c_str(), 0644), 0);
  auto fifo = std::async(std::launch::async, [&] {
    std::string t;
    bool p = false;
    return Read(true, &t, &p);
  });
  ASSERT_EQ(fifo.wait_for(std::chrono::seconds(5)), std::future_status::ready);
  EXPECT_NE(fifo.get().message().find("not a regular file"), std::string::npos);
  ASSERT_EQ(unlink(path_.c_str()), 0);

  ASSERT_EQ(mkdir(path_.c_str(), 0755), 0);
  EXPECT_FALSE(Read(true, &text, &present).ok());
  ASSERT_EQ(rmdir(path_.c_str()), 0);

  Write(std::string(65, '#'), 0644);
  EXPECT_NE(Read(true, &text, &present).message().find("larger than 64 bytes"),
            std::string::npos);
}

}  // namespace
}  // namespace tav
