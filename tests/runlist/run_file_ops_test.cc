// The file operations and rows of the Run List Manager without a window:
// destination folders, extensions, moves within and across file systems,
// and the refusal to act through a symbolic link.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "records/file_record_comp.h"
#include "runlist/run_file_ops.h"
#include "runlist/run_list_rows.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

void WriteFile(const std::string& path, const std::string& text) {
  std::ofstream(path) << text;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(RunFileOps, DestinationFoldersMustBeAbsoluteAndLoseTheTrailingSlash) {
  std::string folder;
  ASSERT_TRUE(NormaliseDestinationFolder("/data/runs/", &folder).ok());
  EXPECT_EQ(folder, "/data/runs");
  ASSERT_TRUE(NormaliseDestinationFolder("/data/runs//  ", &folder).ok());
  EXPECT_EQ(folder, "/data/runs//");  // white space goes after the slashes, as typed
  ASSERT_TRUE(NormaliseDestinationFolder("/", &folder).ok());
  EXPECT_EQ(JoinRunFilePath(folder, "a.tav"), "/a.tav");

  StoreStatus status = NormaliseDestinationFolder("data/runs", &folder);
  EXPECT_FALSE(status.ok());
  EXPECT_EQ(status.message(),
            "'data/runs' is not a valid path.\r\nDestination path must start with '/'."
            "\r\nPartial or relative paths are not allowed.");
  EXPECT_EQ(NormaliseDestinationFolder("", &folder).message(),
            "Destination folder cannot be blank.");
}

TEST(RunFileOps, FoldersCompareAsTheFileSystemResolvesThem) {
  testing::TempDataDir dir;
  ASSERT_EQ(::mkdir(dir.File("runs").c_str(), 0700), 0);
  ASSERT_EQ(::symlink(dir.File("runs").c_str(), dir.File("link").c_str()), 0);
  EXPECT_TRUE(SameFolder(dir.File("runs"), dir.File("link")));
  EXPECT_TRUE(SameFolder(dir.File("runs"), dir.File("runs/../runs/.")));
  EXPECT_FALSE(SameFolder(dir.File("runs"), dir.File("RUNS")));
}

TEST(RunFileOps, ExtensionsAndPathSplitting) {
  EXPECT_TRUE(HasRunFileExtension("/r/a.tav"));
  EXPECT_TRUE(HasRunFileExtension("/r/a.TVM"));
  EXPECT_TRUE(HasRunFileExtension("/r/a.b.Tvt"));
  EXPECT_FALSE(HasRunFileExtension("/r/a.txt"));
  EXPECT_FALSE(HasRunFileExtension("/r.tav/a"));
  std::string folder, name;
  SplitRunFilePath("a.tav", &folder, &name);
  EXPECT_EQ(folder, "");
  EXPECT_EQ(name, "a.tav");
  SplitRunFilePath("/x/y/a.tav", &folder, &name);
  EXPECT_EQ(folder, "/x/y");
  EXPECT_EQ(name, "a.tav");
}

TEST(RunFileOps, LinksAreNeverFollowedToDeleteOrReplace) {
  testing::TempDataDir dir;
  WriteFile(dir.File("outside.tav"), "keep");
  WriteFile(dir.File("a.tav"), "a");
  ASSERT_EQ(::symlink(dir.File("outside.tav").c_str(), dir.File("link.tav").c_str()), 0);
  EXPECT_FALSE(DeleteRunFile(dir.File("link.tav")).ok());
  EXPECT_FALSE(MoveRunFile(dir.File("a.tav"), dir.File("link.tav"), true).ok());
  EXPECT_FALSE(MoveRunFile(dir.File("link.tav"), dir.File("b.tav"), false).ok());
  EXPECT_EQ(ReadFile(dir.File("outside.tav")), "keep");
  EXPECT_EQ(ReadFile(dir.File("a.tav")), "a");
  EXPECT_EQ(DeleteRunFile(dir.File("gone.tav")).message().rfind("Error: 2 : ", 0), 0u);
}

TEST(RunFileOps, MovesReplaceWithinAndAcrossFileSystems) {
  testing::TempDataDir dir;
  WriteFile(dir.File("a.tav"), "new");
  WriteFile(dir.File("b.tav"), "old");
  // A file that appeared after the user was asked is not overwritten.
  EXPECT_EQ(MoveRunFile(dir.File("a.tav"), dir.File("b.tav"), false).message(),
            "Error: 17 : File exists");
  EXPECT_EQ(ReadFile(dir.File("b.tav")), "old");
  ASSERT_TRUE(MoveRunFile(dir.File("a.tav"), dir.File("b.tav"), true).ok());
  EXPECT_FALSE(RunFileExists(dir.File("a.tav")));
  EXPECT_EQ(ReadFile(dir.File("b.tav")), "new");

  // /dev/shm is a tmpfs on Linux: a rename there fails with EXDEV.
  char shm[] = "/dev/shm/tav_runlist.XXXXXX";
  if (::mkdtemp(shm) == nullptr) GTEST_SKIP() << "no tmpfs folder can be made in /dev/shm";
  const std::string other = std::string(shm) + "/b.tav";
  WriteFile(other, "replaced");
  ASSERT_EQ(::chmod(dir.File("b.tav").c_str(), 0640), 0);
  EXPECT_FALSE(MoveRunFile(dir.File("b.tav"), other, false).ok());
  EXPECT_EQ(ReadFile(other), "replaced");
  EXPECT_TRUE(RunFileExists(dir.File("b.tav")));
  const StoreStatus status = MoveRunFile(dir.File("b.tav"), other, true);
  EXPECT_TRUE(status.ok()) << status.message();
  EXPECT_FALSE(RunFileExists(dir.File("b.tav")));
  EXPECT_EQ(ReadFile(other), "new");
  struct stat st {};
  ASSERT_EQ(::stat(other.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);
  std::system(("rm -rf '" + std::string(shm) + "'").c_str());
}

TEST(RunListRows, HistoryDescriptionsNameTheSourceOfMovesOnly) {
  CFileRecordComp moved;
  moved.Set(kFileRecordMoved, "/data/a.tav", "ann", "/runs/a.tav");
  RowTexts row = HistoryRow(moved);
  EXPECT_EQ(row[1], "ann");
  EXPECT_EQ(row[2], "File Moved");
  EXPECT_EQ(row[3], "[/data/a.tav] From [/runs/a.tav]");
  moved.SetType(kFileRecordMovedAndReplaced);
  EXPECT_EQ(HistoryRow(moved)[3], "[/data/a.tav] From [/runs/a.tav]");

  CFileRecordComp deleted;
  deleted.Set(kFileRecordDeleted, "/runs/a.tav", "ann", "/elsewhere/a.tav");
  EXPECT_EQ(HistoryRow(deleted)[2], "File Deleted");
  EXPECT_EQ(HistoryRow(deleted)[3], "[/runs/a.tav]");
  deleted.SetFilePath(std::nullopt);
  EXPECT_EQ(HistoryRow(deleted)[3], "[]");

  CFileRecordComp added;
  added.Set(kFileRecordAdded, "/runs/b.tav", "bob", std::nullopt);
  const RowTexts list_row = RunListRow(added);
  EXPECT_EQ(list_row[0], "/runs");
  EXPECT_EQ(list_row[1], "b.tav");
  EXPECT_EQ(list_row[2], added.GetDateText());
  EXPECT_EQ(list_row[3], "bob");
}

}  // namespace
}  // namespace tav
