// Where the data directory is, and its creation.
#include "util/data_dir.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace tav {
namespace {

class DataDirTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[] = "/tmp/tav_data_dir_test.XXXXXX";
    root_ = mkdtemp(name);
  }
  void TearDown() override {
    unsetenv("TAV_DATA_DIR");
    unsetenv("XDG_DATA_HOME");
    std::filesystem::remove_all(root_);
  }
  std::string root_;
};

TEST_F(DataDirTest, EnsureCreatesAPrivateFolderWhereTheVariableSays) {
  setenv("TAV_DATA_DIR", (root_ + "/a/b/").c_str(), 1);
  std::string path, error;
  ASSERT_TRUE(EnsureDataDir(&path, &error)) << error;
  EXPECT_EQ(path, root_ + "/a/b");
  struct stat st;
  ASSERT_EQ(stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  ASSERT_TRUE(EnsureDataDir(&path, &error)) << "an existing folder is fine";

  std::ofstream(root_ + "/file") << "x";
  setenv("TAV_DATA_DIR", (root_ + "/file/sub").c_str(), 1);
  EXPECT_FALSE(EnsureDataDir(&path, &error));
  EXPECT_FALSE(error.empty());
}

TEST_F(DataDirTest, DefaultIsMachineWideOrPerUser) {
  setenv("TAV_DATA_DIR", "", 1);  // empty counts as unset
  setenv("XDG_DATA_HOME", root_.c_str(), 1);
  if (geteuid() == 0 || access(kSystemDataDir, R_OK | W_OK | X_OK) == 0) {
    EXPECT_EQ(DataDir(), kSystemDataDir);
  } else {
    EXPECT_EQ(DataDir(), root_ + "/tavsecurity");
  }
}

}  // namespace
}  // namespace tav
