#include "records/list_comp.h"

#include <gtest/gtest.h>

#include "records/chunk_file.h"
#include "records/tag_registry.h"
#include "records/property_item.h"
#include "records/value_comps.h"
#include "testing/bytes.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::ListChunk;
using testing::WriteToString;

TEST(ListComp, EmptyListIsTenBytes) {
  CListComp list("ESIG");
  EXPECT_EQ(list.GetBodyLength(), 2u);
  EXPECT_EQ(WriteToString(list), Bytes({'E', 'S', 'I', 'G', 0, 0, 0, 2, 0, 0}));
}

TEST(ListComp, AddAndRemoveKeepLengthAndCount) {
  CListComp list("ESIG");
  ASSERT_EQ(list.AddComponent(std::make_unique<CShortComp>("ROWN", 1)), kRecordOk);
  ASSERT_EQ(list.AddComponent(std::make_unique<CTextComp>("COMT", "abc")), kRecordOk);
  ASSERT_EQ(list.AddComponent(std::make_unique<CShortComp>("COLN", 3)), kRecordOk);
  EXPECT_EQ(list.GetBodyLength(), 2u + 10 + 11 + 10);
  EXPECT_EQ(list.GetChildCount(), 3u);

  POSITION pos = list.GetFirstChildPosition();
  list.GetNextChild(pos);
  std::unique_ptr<CComponent> removed = list.RemoveComponent(pos);
  ASSERT_NE(removed, nullptr);
  EXPECT_EQ(removed->GetTagString(), "COMT");
  EXPECT_EQ(list.GetBodyLength(), 22u);
  EXPECT_EQ(WriteToString(list),
            ListChunk("ESIG", {Chunk("ROWN", Bytes({0, 1})), Chunk("COLN", Bytes({0, 3}))}));

  // Walking backwards sees the same children.
  pos = list.GetLastChildPosition();
  EXPECT_EQ(list.GetPrevChild(pos)->GetTagString(), "COLN");
  EXPECT_EQ(list.GetPrevChild(pos)->GetTagString(), "ROWN");
  EXPECT_EQ(pos, nullptr);

  EXPECT_TRUE(list.RemoveFirstChildOfIndex(LookupTag("ROWN")));
  EXPECT_FALSE(list.RemoveFirstChildOfIndex(LookupTag("ROWN")));
  EXPECT_EQ(list.GetChildCount(), 1u);
}

TEST(ListComp, CountLimitRefusesWithoutLosingTheChild) {
  CListComp list("ESIG");
  for (unsigned i = 0; i < kMaxListChildren; ++i) {
    ASSERT_EQ(list.AddComponent(std::make_unique<CByteComp>("PRER", 1)), kRecordOk);
  }
  auto extra = std::make_unique<CByteComp>("PRER", 9);
  EXPECT_EQ(list.AddComponent(std::move(extra)), kRecordListFull);
  ASSERT_NE(extra, nullptr);  // still the caller's
  EXPECT_EQ(extra->GetValue(), 9);
  EXPECT_EQ(list.GetChildCount(), kMaxListChildren);

  // A full list still writes and reads back whole.
  CMemFile file;
  ASSERT_EQ(list.StreamDataOut(&file), kRecordOk);
  file.SeekToBegin();
  CListComp back;
  ASSERT_EQ(back.StreamDataIn(&file), kRecordOk);
  EXPECT_EQ(back.GetChildCount(), kMaxListChildren);
}

TEST(ListComp, ListEndingEarlyKeepsWhatItHasAndIsReported) {
  const std::string bytes =
      ListChunk("ESIG", {Chunk("ROWN", Bytes({0, 1})), Chunk("ROWN", Bytes({0, 2}))}, 5);
  CMemFile file(bytes.data(), bytes.size());
  ReadIssueCollector collector;
  CListComp list;
  EXPECT_EQ(list.StreamDataIn(&file), kRecordOk);
  EXPECT_EQ(list.GetChildCount(), 2u);
  ASSERT_EQ(collector.issues().size(), 1u);
  EXPECT_NE(collector.issues()[0].text.find("2 of its 5"), std::string::npos);
}

TEST(ListComp, TruncatedChildFailsTheList) {
  // The child's header is cut inside its length: the child's -300 fails
  // the list.
  const std::string bytes = ListChunk("ESIG", {Chunk("COMT", "abcdef")}).substr(0, 16);
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> c;
  EXPECT_EQ(ReadNextComponent(&file, c), kRecordHeaderError);
  EXPECT_EQ(c, nullptr);
}

TEST(ListComp, ReadReplacesOldChildren) {
  CListComp list("ESIG");
  ASSERT_EQ(list.AddComponent(std::make_unique<CShortComp>("ROWN", 1)), kRecordOk);
  const std::string bytes = ListChunk("ESIG", {Chunk("COMT", "x")});
  CMemFile file(bytes.data(), bytes.size());
  ASSERT_EQ(list.StreamDataIn(&file), kRecordOk);
  ASSERT_EQ(list.GetChildCount(), 1u);
  EXPECT_EQ(list.FindChild("COMT")->GetValueText(), "x");
  EXPECT_EQ(list.FindChild("ROWN"), nullptr);
}

TEST(ListComp, FindComponentWalksPaths) {
  auto inner = std::make_unique<CListComp>("HFRL");
  ASSERT_EQ(inner->AddComponent(std::make_unique<CTextComp>("FFPa", "/data/run1.tav")), kRecordOk);
  CListComp outer("CFRL");
  ASSERT_EQ(outer.AddComponent(std::make_unique<CTextComp>("COMT", "top")), kRecordOk);
  ASSERT_EQ(outer.AddComponent(std::move(inner)), kRecordOk);

  ASSERT_NE(outer.FindComponent("HFRL\\FFPa"), nullptr);
  EXPECT_EQ(outer.FindComponent("HFRL\\FFPa")->GetValueText(), "/data/run1.tav");
  EXPECT_EQ(outer.FindComponent("COMT")->GetValueText(), "top");
  EXPECT_EQ(outer.FindComponent("HFRL\\"), nullptr);
  EXPECT_EQ(outer.FindComponent("\\FFPa"), nullptr);
  EXPECT_EQ(outer.FindComponent("HFRL\\ZZZZ"), nullptr);
  EXPECT_EQ(outer.FindComponent("COMT\\FFPa"), nullptr);
  EXPECT_EQ(outer.FindChild("COM"), nullptr);
}

TEST(ListComp, FindComponentOfAnUnregisteredTagFindsNothing) {
  // A child kept under a tag this library does not know is carried along,
  // but a path never names it, at any step.
  auto inner = std::make_unique<CListComp>("QQQQ");
  ASSERT_EQ(inner->AddComponent(std::make_unique<CTextComp>("FFPa", "/x")), kRecordOk);
  CListComp outer("CFRL");
  ASSERT_EQ(outer.AddComponent(std::move(inner)), kRecordOk);
  ASSERT_EQ(outer.AddComponent(std::make_unique<CTextComp>("ZZZZ", "z")), kRecordOk);
  ASSERT_NE(outer.FindChild("ZZZZ"), nullptr);
  EXPECT_EQ(outer.FindComponent("ZZZZ"), nullptr);
  EXPECT_EQ(outer.FindComponent("QQQQ"), nullptr);
  EXPECT_EQ(outer.FindComponent("QQQQ\\FFPa"), nullptr);
}

TEST(ListComp, PropertiesShowNestedListsAsGroups) {
  auto inner = std::make_unique<CListComp>("HFRL");
  ASSERT_EQ(inner->AddComponent(std::make_unique<CTextComp>("UsNa", "alice")), kRecordOk);
  CListComp outer("CFRL");
  ASSERT_EQ(outer.AddComponent(std::make_unique<CLongComp>("VERS", 4)), kRecordOk);
  ASSERT_EQ(outer.AddComponent(std::move(inner)), kRecordOk);

  CPropertyItemList list;
  outer.AppendHeaderProperties(list);
  outer.AppendProperties(list);
  std::string text;
  list.DescribeAll("", text, "");
  EXPECT_EQ(text,
            "Tag = CFRL\r\nSize = 37\r\n--------------\r\nItem Count = 2\r\n--------------\r\n"
            "Version = 4\r\nFile Record History\r\n     User Name = alice\r\n");
}

TEST(ListComp, CopyFromIsDeepAndKeepsRawChildren) {
  const std::string bytes = ListChunk("ESIG", {Chunk("QQQQ", "raw"), Chunk("COMT", "text")});
  CMemFile file(bytes.data(), bytes.size());
  CListComp source;
  ASSERT_EQ(source.StreamDataIn(&file), kRecordOk);
  CListComp copy("ESIG");
  copy.CopyFrom(source);
  source.Reset();
  EXPECT_EQ(WriteToString(copy), bytes);
}

}  // namespace
}  // namespace tav
