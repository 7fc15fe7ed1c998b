#include "records/component.h"

#include <gtest/gtest.h>

#include "records/chunk_file.h"
#include "records/list_comp.h"
#include "records/property_item.h"
#include "records/tag_registry.h"
#include "records/value_comps.h"
#include "testing/bytes.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::ListChunk;
using testing::WriteToString;

// A record kind whose body writer may disagree with its stored length.
class CountingRecord : public CComponent {
 public:
  explicit CountingRecord(uint32_t claimed, std::string body = "")
      : CComponent("TEST"), body_(std::move(body)) {
    SetBodyLength(claimed);
  }
  int read_calls = 0;
  std::string body_;

 protected:
  int WriteData(CFile* file) override {
    file->Write(body_.data(), body_.size());
    return kRecordOk;
  }
  int ReadData(CFile* file) override {
    ++read_calls;
    body_.resize(GetBodyLength());
    return file->Read(body_.data(), body_.size()) == body_.size() ? kRecordOk : kRecordReadError;
  }
};

TEST(ComponentStream, EmptyBodyIsEightBytesAndReadsNoBody) {
  CountingRecord out(0, "ignored");
  EXPECT_EQ(WriteToString(out), Bytes({'T', 'E', 'S', 'T', 0, 0, 0, 0}));

  const std::string bytes = Chunk("TEST", "");
  CMemFile file(bytes.data(), bytes.size());
  CountingRecord in(5);
  uint64_t consumed = 0;
  EXPECT_EQ(in.StreamDataIn(&file, &consumed), kRecordOk);
  EXPECT_EQ(consumed, 8u);
  EXPECT_EQ(in.read_calls, 0);
  EXPECT_EQ(in.GetBodyLength(), 0u);
}

TEST(ComponentStream, StaleLengthIsPatchedAfterWriting) {
  CountingRecord out(2, "hello");
  const std::string bytes = WriteToString(out);
  EXPECT_EQ(bytes, Chunk("TEST", "hello"));
  EXPECT_EQ(out.GetBodyLength(), 5u);

  CMemFile file(bytes.data(), bytes.size());
  CountingRecord in(0);
  EXPECT_EQ(in.StreamDataIn(&file), kRecordOk);
  EXPECT_EQ(in.body_, "hello");
}

TEST(ComponentStream, PatchedLengthKeepsFollowingChunksIntact) {
  // A stale child length inside a list must not shift its siblings.
  CListComp list("ESIG");
  auto stale = std::make_unique<CountingRecord>(1, "abc");
  ASSERT_EQ(list.AddComponent(std::move(stale)), kRecordOk);
  ASSERT_EQ(list.AddComponent(std::make_unique<CShortComp>("ROWN", 7)), kRecordOk);
  const std::string bytes = WriteToString(list);
  EXPECT_EQ(bytes, ListChunk("ESIG", {Chunk("TEST", "abc"), Chunk("ROWN", Bytes({0, 7}))}));
}

TEST(ComponentStream, HeaderFailures) {
  CComponent c;
  EXPECT_EQ(c.StreamDataIn(nullptr), kRecordReadError);
  EXPECT_EQ(c.StreamDataOut(nullptr), kRecordWriteError);

  for (size_t cut : {0u, 2u, 4u, 7u}) {
    const std::string bytes = Chunk("ROWN", Bytes({0, 5})).substr(0, cut);
    CMemFile file(bytes.data(), bytes.size());
    CShortComp s("ROWN");
    uint64_t consumed = 99;
    EXPECT_EQ(s.StreamDataIn(&file, &consumed), kRecordHeaderError) << cut;
    EXPECT_EQ(consumed, cut) << cut;
  }
}

TEST(ComponentStream, HugeDeclaredLengthIsAShortReadWithoutAllocating) {
  // 4 GiB declared, five bytes present: an allocation of the declared size
  // would abort under the sanitizers.
  const std::string bytes = std::string("COMT") + Bytes({0xff, 0xff, 0xff, 0xf0}) + "short";
  for (const char* tag : {"COMT", "ZZZZ"}) {
    std::string b = bytes;
    b.replace(0, 4, tag);
    CMemFile file(b.data(), b.size());
    std::unique_ptr<CComponent> c;
    EXPECT_EQ(ReadNextComponent(&file, c), kRecordReadError) << tag;
    EXPECT_EQ(c, nullptr);
  }
}

TEST(ComponentStream, UnknownTagsKeepTheirBodies) {
  const std::string inner = Chunk("QQQQ", "opaque\x01\x02");
  const std::string registered_without_class = Chunk("GLBL", Bytes({1, 2, 3}));
  const std::string bytes = ListChunk("ESIG", {inner, registered_without_class}) + Chunk("ZZZ9", "top");
  CMemFile in(bytes.data(), bytes.size());
  ChunkFileError error;
  auto chunks = ReadChunkFile(&in, &error);
  ASSERT_EQ(error.code, kRecordOk) << error.text;
  ASSERT_EQ(chunks.size(), 2u);
  CMemFile out;
  EXPECT_EQ(WriteChunkFile(&out, chunks), kRecordOk);
  EXPECT_EQ(out.view(), bytes);

  // The raw bytes show in the property tree, so a dump hides nothing.
  CPropertyItemList list;
  chunks[1]->AppendProperties(list);
  ASSERT_EQ(list.size(), 1u);
  EXPECT_EQ(list.at(0)->value_text(), "746f70");
}

TEST(ComponentStream, DeepNestingIsRefused) {
  // SPEC has no class of its own here; the test makes it a list.
  RegisterComponentMaker("SPEC", [](const ComponentTag& tag) -> std::unique_ptr<CComponent> {
    return std::make_unique<CListComp>(std::string_view(tag.bytes, 4));
  });
  auto nested = [](int depth) {
    std::string bytes = Chunk("ROWN", Bytes({0, 1}));
    for (int i = 0; i < depth; ++i) bytes = ListChunk("SPEC", {bytes});
    return bytes;
  };
  {
    const std::string ok = nested(kMaxNestingDepth - 1);
    CMemFile file(ok.data(), ok.size());
    std::unique_ptr<CComponent> c;
    EXPECT_EQ(ReadNextComponent(&file, c), kRecordOk);
  }
  {
    const std::string deep = nested(2000);
    CMemFile file(deep.data(), deep.size());
    std::unique_ptr<CComponent> c;
    ReadIssueCollector collector;
    EXPECT_EQ(ReadNextComponent(&file, c), kRecordTooDeep);
    ASSERT_NE(collector.failure(), nullptr);
    EXPECT_NE(collector.failure()->text.find("nested deeper"), std::string::npos);
  }
}

TEST(ComponentStream, ShortConsumingReaderIsTolerableButReported) {
  // A 16-bit value whose chunk declares 3 body bytes: the reader takes two
  // and the third byte starts the next chunk, as older files expect.
  const std::string bytes = Chunk("ROWN", Bytes({0, 5, 'C'})) + "OMT" + Bytes({0, 0, 0, 0});
  CMemFile file(bytes.data(), bytes.size());
  ReadIssueCollector collector;
  ChunkFileError error;
  auto chunks = ReadChunkFile(&file, &error);
  EXPECT_EQ(error.code, kRecordOk);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[1]->GetTagString(), "COMT");
  ASSERT_EQ(collector.issues().size(), 1u);
  EXPECT_EQ(collector.issues()[0].offset, 0u);
}

TEST(ComponentProperties, PlainHeaderAndDisplayText) {
  CComponent c("FiRe");
  CPropertyItemList list;
  c.AppendHeaderProperties(list);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list.at(0)->GetText(" = "), "Tag = FiRe");
  EXPECT_EQ(list.at(0)->type_code(), kTypeCodeTagText);
  EXPECT_EQ(list.at(1)->GetText(" = "), "Size = 0");
  EXPECT_EQ(list.at(1)->kind(), kPropertySize);
  EXPECT_EQ(list.at(2)->GetText(" = "), "--------------");
  EXPECT_EQ(c.GetDisplayText(), "File Record");
  EXPECT_EQ(CComponent().GetDisplayText(), "!~Invalid Component~!");
}

TEST(ComponentProperties, CompareStreamSize) {
  CTextComp longer("COMT", "abcdef");
  CTextComp shorter("COMT", "abc");
  uint32_t a = 0, b = 0;
  EXPECT_EQ(longer.CompareStreamSize(&shorter, &a, &b), 1);
  EXPECT_EQ(a, 6u);
  EXPECT_EQ(b, 3u);
  EXPECT_EQ(shorter.CompareStreamSize(&longer, nullptr, nullptr), -1);
  EXPECT_EQ(shorter.CompareStreamSize(&shorter, nullptr, nullptr), 0);
  EXPECT_EQ(shorter.CompareStreamSize(nullptr, nullptr, nullptr), 2);
}

}  // namespace
}  // namespace tav
