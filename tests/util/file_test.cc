#include "util/file.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <string>

namespace tav {
namespace {

class TempDir {
 public:
  TempDir() {
    char tmpl[] = "/tmp/tav_file_test.XXXXXX";
    path_ = ::mkdtemp(tmpl);
  }
  ~TempDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
  std::string File(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

TEST(MemFile, ReadsShortAtTheEndAndSeeksInside) {
  CMemFile file;
  file.Write("abcdef", 6);
  EXPECT_EQ(file.GetLength(), 6u);
  EXPECT_EQ(file.Seek(2, CFile::begin), 2u);
  char buf[8] = {};
  EXPECT_EQ(file.Read(buf, 8), 4u);
  EXPECT_EQ(std::string(buf, 4), "cdef");
  EXPECT_EQ(file.Read(buf, 1), 0u);
  EXPECT_THROW(file.Seek(-1, CFile::begin), CFileException);
  EXPECT_THROW(file.Seek(1, CFile::end), CFileException);
  EXPECT_EQ(file.Seek(-2, CFile::end), 4u);

  // Overwriting in the middle keeps the length; writing past it grows.
  file.Seek(4, CFile::begin);
  file.Write("XYZ", 3);
  EXPECT_EQ(file.view(), "abcdXYZ");
}

TEST(MemFile, GrowsLinearlyAndViewsAreReadOnly) {
  CMemFile file(16);
  std::string big(1 << 20, 'q');
  for (int i = 0; i < 8; ++i) file.Write(big.data(), big.size());
  EXPECT_EQ(file.GetLength(), 8u << 20);

  const char data[] = "fixed";
  CMemFile view(data, 5);
  char c;
  EXPECT_EQ(view.Read(&c, 1), 1u);
  EXPECT_THROW(view.Write("x", 1), CFileException);
  EXPECT_THROW(view.SetLength(1), CFileException);
}

TEST(DiskFile, MixedReadsWritesAndSeeks) {
  TempDir dir;
  const std::string path = dir.File("mixed.bin");
  {
    CDiskFile file(path, CDiskFile::modeCreate | CDiskFile::modeReadWrite);
    std::string block(100000, 'a');  // larger than the buffer
    file.Write(block.data(), block.size());
    file.Write("tail", 4);
    EXPECT_EQ(file.GetLength(), 100004u);
    file.Seek(10, CFile::begin);
    file.Write("BB", 2);
    char buf[4];
    EXPECT_EQ(file.Read(buf, 4), 4u);  // reads after a write see the file
    EXPECT_EQ(std::string(buf, 4), "aaaa");
    file.Seek(-4, CFile::end);
    EXPECT_EQ(file.Read(buf, 4), 4u);
    EXPECT_EQ(std::string(buf, 4), "tail");
    EXPECT_EQ(file.Read(buf, 4), 0u);
    file.Close();
  }
  const std::string all = ReadWholeFile(path);
  ASSERT_EQ(all.size(), 100004u);
  EXPECT_EQ(all.substr(8, 6), "aaBBaa");

  CDiskFile reader(path, CDiskFile::modeRead);
  std::string back(all.size() + 10, '\0');
  EXPECT_EQ(reader.Read(back.data(), back.size()), all.size());
  EXPECT_THROW(reader.Write("x", 1), CFileException);
}

TEST(DiskFile, OpenFailuresThrowWithACause) {
  try {
    CDiskFile missing("/nonexistent/dir/file", CDiskFile::modeRead);
    FAIL();
  } catch (const CFileException& e) {
    EXPECT_EQ(e.cause(), CFileException::kFileNotFound);
  }
  EXPECT_THROW(CDiskFile("/tmp", CDiskFile::modeRead), CFileException);
}

TEST(DiskFile, FullDiskIsAnExceptionNotSilentLoss) {
  if (::access("/dev/full", W_OK) != 0) GTEST_SKIP() << "no /dev/full";
  CDiskFile file("/dev/full", CDiskFile::modeWrite);
  file.Write("x", 1);  // buffered
  EXPECT_THROW(file.Flush(), CFileException);
}

TEST(AtomicWrite, ReplacesWholeOrNothing) {
  TempDir dir;
  const std::string path = dir.File("doc.tav");
  WriteFileAtomically(path, "first");
  ::chmod(path.c_str(), 0600);
  WriteFileAtomically(path, "second version");
  EXPECT_EQ(ReadWholeFile(path), "second version");
  struct stat st;
  ASSERT_EQ(::stat(path.c_str(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0600u);  // permissions survive
  EXPECT_THROW(WriteFileAtomically(dir.File("missing/doc.tav"), "x"), CFileException);
  EXPECT_EQ(ReadWholeFile(path), "second version");
}

}  // namespace
}  // namespace tav
