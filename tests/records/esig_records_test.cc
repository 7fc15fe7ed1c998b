// Signature events and the stored e-signature configuration, byte for byte.
#include <gtest/gtest.h>

#include "records/chunk_file.h"
#include "records/esig_config_comp.h"
#include "records/esig_event_comp.h"
#include "testing/bytes.h"
#include "util/archive.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::ListChunk;
using testing::WriteToString;

const std::string kDate15 = Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f});

template <typename T>
std::unique_ptr<T> ReadAs(const std::string& bytes, int expect = kRecordOk) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> c;
  EXPECT_EQ(ReadNextComponent(&file, c), expect);
  return std::unique_ptr<T>(dynamic_cast<T*>(c.release()));
}

TEST(SignatureEvent, MinimalBodyIsEighteenBytes) {
  CESigEventComp event("", 1.5, 3, 1, {}, "", "");
  const std::string body = kDate15 + Bytes({0, 3, 0, 1, 0, 0, 0, 0, 0, 0});
  ASSERT_EQ(body.size(), 18u);
  EXPECT_EQ(event.GetBodyLength(), 18u);
  EXPECT_EQ(WriteToString(event), Chunk("ESev", body));
}

TEST(SignatureEvent, FullLayoutRoundTrips) {
  CESigEventComp event("amy", 1.5, -1, 2, {"GLBL\\VERS", "", "AUDT"}, "Amy Smith", "ok");
  const std::string body = kDate15 + Bytes({3}) + "amy" + Bytes({0xff, 0xff, 2, 0, 9}) + "Amy Smith" +
                           Bytes({2, 0, 9}) + "GLBL\\VERS" + Bytes({4}) + "AUDT" + Bytes({2, 0}) + "ok";
  EXPECT_EQ(event.GetBodyLength(), body.size());
  const std::string bytes = WriteToString(event);
  EXPECT_EQ(bytes, Chunk("ESev", body));
  auto back = ReadAs<CESigEventComp>(bytes);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->GetReason(), 65535);  // -1 keeps only its 16 bits
  EXPECT_EQ(back->GetTagPaths(), (std::vector<std::string>{"GLBL\\VERS", "AUDT"}));
  EXPECT_EQ(WriteToString(*back), bytes);
}

TEST(SignatureEvent, TextsAreCutAtCharacterBoundaries) {
  CESigEventComp event("", 1.5, 1, 1, {std::string(300, 'p')}, std::string(300, 'n'),
                       std::string(32766, 'c') + "\xe2\x82\xac");
  EXPECT_EQ(event.GetSignerFullName(), std::string(255, 'n'));
  EXPECT_EQ(event.GetTagPaths()[0].size(), 255u);
  EXPECT_EQ(event.GetComment(), std::string(32766, 'c'));  // the euro sign does not fit
  EXPECT_FALSE(event.AddTagPath(""));
}

TEST(SignatureEvent, PathCountsBeyondTheDataOrNegativeReadAsOlderFilesNeed) {
  // A count larger than the paths that follow: the paths that are there
  // stay, and the missing ones are a short read, not a huge allocation.
  CESigEventComp event;
  const std::string big = Chunk("ESev", kDate15 + Bytes({0, 1, 0, 1, 0, 0, 0x30, 0x75, 1, 'a', 1, 'b'}));
  CMemFile file(big.data(), big.size());
  EXPECT_EQ(event.StreamDataIn(&file), kRecordReadError);
  EXPECT_EQ(event.GetTagPaths(), (std::vector<std::string>{"a", "b"}));

  // A negative count means no paths; the comment after it is read, and the
  // count is reported as damage.
  ReadIssueCollector collector;
  auto negative = ReadAs<CESigEventComp>(
      Chunk("ESev", kDate15 + Bytes({0, 1, 0, 1, 0, 0, 0xff, 0xff, 2, 0}) + "ok"));
  ASSERT_NE(negative, nullptr);
  EXPECT_TRUE(negative->GetTagPaths().empty());
  EXPECT_EQ(negative->GetComment(), "ok");
  ASSERT_EQ(collector.issues().size(), 1u);
  EXPECT_EQ(collector.issues()[0].offset, 8u + 14u);
  EXPECT_NE(collector.issues()[0].text.find("count -1 is negative"), std::string::npos);

  // A negative comment size stays damage.
  ReadAs<CESigEventComp>(Chunk("ESev", kDate15 + Bytes({0, 1, 0, 1, 0, 0, 0, 0, 0, 0x80})),
                         kRecordCorrupt);
  // A path cut short keeps the paths before it.
  ReadAs<CESigEventComp>(Chunk("ESev", kDate15 + Bytes({0, 1, 0, 1, 0, 0, 2, 0, 1, 'a', 5, 'b'})),
                         kRecordReadError);
}

TEST(SignatureList, AddsSignaturesInOrder) {
  CESigListComp list;
  ASSERT_EQ(list.AddSignature("a", 1.5, 1, 0, {}, "A", ""), kRecordOk);
  ASSERT_EQ(list.AddSignature("b", 1.5, 2, 0, {}, "B", ""), kRecordOk);
  const std::string bytes = WriteToString(list);
  auto back = ReadAs<CESigListComp>(bytes);
  ASSERT_NE(back, nullptr);
  POSITION pos = back->GetFirstChildPosition();
  EXPECT_EQ(dynamic_cast<CESigEventComp*>(back->GetNextChild(pos))->GetUserName(), "a");
  EXPECT_EQ(dynamic_cast<CESigEventComp*>(back->GetNextChild(pos))->GetUserName(), "b");
}

TEST(ReasonConfig, ByteLayouts) {
  CESigReasonConfigComp none(ESigReason{3, 1, {}}, 2);
  EXPECT_EQ(WriteToString(none), Chunk("EScf", Bytes({3, 1, 2, 0, 0, 0, 0})));

  CESigReasonConfigComp three(ESigReason{0x1234, 7, {"GLBL", "ab", "c"}}, 1);
  const std::string body = Bytes({0x34, 7, 1, 3, 0, 0, 0, 4, 0, 0, 0}) + "GLBL" +
                           Bytes({2, 0, 0, 0}) + "ab" + Bytes({1, 0, 0, 0}) + "c";
  EXPECT_EQ(three.GetBodyLength(), body.size());
  EXPECT_EQ(WriteToString(three), Chunk("EScf", body));

  // An empty path ends the list as far as writing is concerned.
  CESigReasonConfigComp gap(ESigReason{1, 1, {"a", "", "b"}}, 1);
  EXPECT_EQ(WriteToString(gap), Chunk("EScf", Bytes({1, 1, 1, 1, 0, 0, 0, 1, 0, 0, 0}) + "a"));
}

TEST(ReasonConfig, ReadsTwentyPathsAndSkipsTheRest) {
  std::string body = Bytes({1, 2, 1, 25, 0, 0, 0});
  for (int i = 0; i < 25; ++i) body += Bytes({2, 0, 0, 0}) + std::string(2, char('a' + i));
  const std::string bytes = Chunk("EScf", body) + Chunk("COMT", "next");
  CMemFile file(bytes.data(), bytes.size());
  ReadIssueCollector collector;
  ChunkFileError error;
  auto chunks = ReadChunkFile(&file, &error);
  ASSERT_EQ(error.code, kRecordOk);
  ASSERT_EQ(chunks.size(), 2u);  // the chunk after it is intact
  auto* entry = dynamic_cast<CESigReasonConfigComp*>(chunks[0].get());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetPathCount(), 20u);
  EXPECT_EQ(entry->GetPathSlots()[19], "tt");
  EXPECT_EQ(collector.issues().size(), 1u);
}

TEST(ReasonConfig, DamageIsToleratedAndReported) {
  // A count far beyond the bytes: reading stops at the first short read.
  ReadIssueCollector collector;
  auto entry = ReadAs<CESigReasonConfigComp>(
      Chunk("EScf", Bytes({1, 2, 1, 0xff, 0xff, 0xff, 0xff, 1, 0, 0, 0}) + "x"));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetPathSlots()[0], "x");
  EXPECT_FALSE(collector.issues().empty());
  // Codes cut short keep their unset values.
  entry = ReadAs<CESigReasonConfigComp>(Chunk("EScf", Bytes({9})));
  EXPECT_EQ(entry->GetReasonId(), 9);
  EXPECT_EQ(entry->GetSetting(), 255);
}

TEST(ReasonConfigList, ConvertsToAndFromTheConfiguration) {
  CTAVESigConfiguration config;
  config.SetSetting(ESigReason{5, 0, {}}, kESigSettingOptional);
  config.SetSetting(ESigReason{3, 1, {"GLBL\\AUDT"}}, kESigSettingRequired);
  config.SetSetting(ESigReason{5, 0, {"X"}}, kESigSettingNone);  // replaced in place
  EXPECT_EQ(config.GetSetting(5, 0), 0);
  EXPECT_EQ(config.GetSetting(9, 9), -1);

  CESigReasonConfigListComp list(config);
  auto back = ReadAs<CESigReasonConfigListComp>(WriteToString(list));
  ASSERT_NE(back, nullptr);
  CTAVESigConfiguration exported;
  back->Export(exported);
  EXPECT_EQ(exported, config);
  EXPECT_EQ(exported.entries()[0].reason.reason_id, 5);
}

TEST(ESigConfiguration, ArchiveForm) {
  CTAVESigConfiguration config;
  config.SetSetting(ESigReason{3, 1, {"  GLBL ", "   ", "AUDT", "", "lost"}}, 2);
  CMemFile file;
  {
    CArchive ar(&file, CArchive::store);
    config.Serialize(ar);
  }
  EXPECT_EQ(std::string(file.view()), Bytes({1, 0, 3, 1, 2, 0, 0, 0, 4}) + "GLBL" + Bytes({4}) +
                                          "AUDT" + Bytes({2, 0, 0, 0}));
  file.SeekToBegin();
  CArchive in(&file, CArchive::load);
  CTAVESigConfiguration back;
  back.Serialize(in);
  EXPECT_EQ(back.GetSetting(3, 1), 2);
  EXPECT_EQ(back.entries()[0].reason.tag_paths, (std::vector<std::string>{"GLBL", "AUDT"}));

  // A count beyond the archive throws before it allocates.
  const std::string huge = Bytes({0xff, 0xff, 0xff, 0xff, 0xff, 0x0f});
  CMemFile bad(huge.data(), huge.size());
  CArchive bad_in(&bad, CArchive::load);
  EXPECT_THROW(back.Serialize(bad_in), CArchiveException);
}

TEST(TargetConfig, HoldsOneNameAndMatchesItWithoutCase) {
  CESigTargetConfigComp target("Run Files");
  target.SetTargetName("Run Files v2");
  EXPECT_EQ(target.GetChildCount(), 1u);
  EXPECT_EQ(WriteToString(target), ListChunk("ESiT", {Chunk("ESTN", "Run Files v2")}));
  CESigTargetConfigComp other("RUN FILES V2");
  EXPECT_TRUE(target.IsSameTag(&other));
  EXPECT_EQ(target.GetMatchKey(), other.GetMatchKey());
}

}  // namespace
}  // namespace tav
