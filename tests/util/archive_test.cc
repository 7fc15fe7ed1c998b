#include "util/archive.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>

namespace tav {
namespace {

std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

std::string Store(void (*fill)(CArchive&)) {
  CMemFile file;
  CArchive ar(&file, CArchive::store);
  fill(ar);
  return std::string(file.view());
}

TEST(Archive, CountEncodingsAtEveryBoundary) {
  auto count = [](uint64_t n) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteCount(n);
    return std::string(file.view());
  };
  EXPECT_EQ(count(0), Bytes({0, 0}));
  EXPECT_EQ(count(0xFFFE), Bytes({0xFE, 0xFF}));
  EXPECT_EQ(count(0xFFFF), Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0, 0}));
  EXPECT_EQ(count(0x12345678), Bytes({0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(count(0xFFFFFFFFull),
            Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0}));

  for (uint64_t n : {0ull, 1ull, 0xFFFEull, 0xFFFFull, 0x10000ull, 0xFFFFFFFEull, 0xFFFFFFFFull,
                     0x123456789ull}) {
    const std::string bytes = count(n);
    CMemFile in(bytes.data(), bytes.size());
    CArchive ar(&in, CArchive::load);
    EXPECT_EQ(ar.ReadCount(), n);
    EXPECT_EQ(in.GetRemaining(), 0u);
  }
}

TEST(Archive, StringLengthPrefixesAtEveryBoundary) {
  auto prefix = [](size_t n) {
    CMemFile file;
    CArchive ar(&file, CArchive::store);
    ar.WriteString(std::string(n, 'x'));
    EXPECT_EQ(file.size() >= n, true);
    return std::string(file.view().substr(0, file.size() - n));
  };
  EXPECT_EQ(prefix(0), Bytes({0}));
  EXPECT_EQ(prefix(254), Bytes({0xFE}));
  EXPECT_EQ(prefix(255), Bytes({0xFF, 0xFF, 0x00}));
  EXPECT_EQ(prefix(0xFFFD), Bytes({0xFF, 0xFD, 0xFF}));
  // 0xFFFE would read as the wide-string marker, so it takes the long form.
  EXPECT_EQ(prefix(0xFFFE), Bytes({0xFF, 0xFF, 0xFF, 0xFE, 0xFF, 0, 0}));

  for (size_t n : {size_t{0}, size_t{254}, size_t{255}, size_t{0xFFFD}, size_t{0xFFFE},
                   size_t{70000}}) {
    CMemFile file;
    CArchive out(&file, CArchive::store);
    const std::string text(n, 'q');
    out.WriteString(text);
    file.SeekToBegin();
    CArchive in(&file, CArchive::load);
    EXPECT_EQ(in.ReadString(), text);
  }
}

TEST(Archive, IntegersAreLittleEndian) {
  const std::string bytes = Store([](CArchive& ar) {
    ar.WriteUInt8(0x12);
    ar.WriteUInt16(0x3456);
    ar.WriteInt32(-2);
    ar.WriteDouble(1.5);
  });
  EXPECT_EQ(bytes, Bytes({0x12, 0x56, 0x34, 0xFE, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0xF8, 0x3F}));
  CMemFile in(bytes.data(), bytes.size());
  CArchive ar(&in, CArchive::load);
  EXPECT_EQ(ar.ReadUInt8(), 0x12);
  EXPECT_EQ(ar.ReadUInt16(), 0x3456);
  EXPECT_EQ(ar.ReadInt32(), -2);
  EXPECT_EQ(ar.ReadDouble(), 1.5);
}

TEST(Archive, ReadsWideStringsAsUtf8) {
  // Marker FF FE FF, then length 3 and UTF-16LE: 'h', U+00E9, U+1F600 (a pair).
  const std::string bytes =
      Bytes({0xFF, 0xFE, 0xFF, 4, 'h', 0, 0xE9, 0, 0x3D, 0xD8, 0x00, 0xDE});
  CMemFile in(bytes.data(), bytes.size());
  CArchive ar(&in, CArchive::load);
  EXPECT_EQ(ar.ReadString(), "h\xC3\xA9\xF0\x9F\x98\x80");

  // A lone surrogate becomes U+FFFD instead of invalid UTF-8.
  const std::string lone = Bytes({0xFF, 0xFE, 0xFF, 1, 0x00, 0xDC});
  CMemFile in2(lone.data(), lone.size());
  CArchive ar2(&in2, CArchive::load);
  EXPECT_EQ(ar2.ReadString(), "\xEF\xBF\xBD");
}

TEST(Archive, LengthsBeyondTheEndThrowBeforeAllocating) {
  const std::string cases[] = {
      Bytes({5, 'a', 'b'}),                                    // short string
      Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0x7F}),       // 2 GB string
      Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
             0xFF, 0xFF}),                                      // 64-bit length
      Bytes({0xFF, 0xFE, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}),  // wide, huge
      Bytes({0x34}),                                            // half a word
  };
  for (const std::string& bytes : cases) {
    CMemFile in(bytes.data(), bytes.size());
    CArchive ar(&in, CArchive::load);
    try {
      if (bytes.size() == 1) {
        ar.ReadUInt16();
      } else {
        ar.ReadString();
      }
      ADD_FAILURE() << "no exception";
    } catch (const CArchiveException& e) {
      EXPECT_EQ(e.cause(), CArchiveException::kEndOfFile);
    }
  }
}

TEST(Archive, DirectionIsEnforced) {
  CMemFile file;
  CArchive loading(&file, CArchive::load);
  EXPECT_THROW(loading.WriteUInt8(1), CArchiveException);
  CArchive storing(&file, CArchive::store);
  EXPECT_THROW(storing.ReadUInt8(), CArchiveException);
}

}  // namespace
}  // namespace tav
