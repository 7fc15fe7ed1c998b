// Run-file records and the lists of them.
#include <gtest/gtest.h>

#include "records/chunk_file.h"
#include "records/file_record_comp.h"
#include "records/property_item.h"
#include "records/record_date_comp.h"
#include "records/value_comps.h"
#include "testing/bytes.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::ListChunk;
using testing::WriteToString;

std::unique_ptr<CComponent> ReadOne(const std::string& bytes, int expect = kRecordOk) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> c;
  EXPECT_EQ(ReadNextComponent(&file, c), expect);
  return c;
}

std::unique_ptr<CFileRecordComp> Record(std::string_view path, int8_t type = kFileRecordCreated) {
  auto record = std::make_unique<CFileRecordComp>();
  record->Set(type, path, "amy", std::nullopt);
  return record;
}

TEST(FileRecord, SetLeavesOutAMissingSource) {
  CFileRecordComp record;
  record.Set(kFileRecordCreated, "C:\\Runs\\a.tav", "amy", std::nullopt);
  EXPECT_EQ(record.GetChildCount(), 4u);
  EXPECT_EQ(record.GetSourcePath(), std::nullopt);
  EXPECT_STREQ(record.GetTypeName(), "File Created");
  EXPECT_NE(record.GetDate(), 0.0);  // 0 means now

  record.SetFilePath("first");
  record.SetFilePath("second");
  POSITION last = record.GetLastChildPosition();
  EXPECT_EQ(record.GetPrevChild(last)->GetValueText(), "second");
  EXPECT_EQ(record.GetFilePath(), "second");
  EXPECT_EQ(record.GetChildCount(), 4u);
}

TEST(FileRecord, ChunkOfACopyAndItsTypes) {
  CFileRecordComp record;
  record.SetDate(1.5);
  record.SetType(kFileRecordCopied);
  record.SetFilePath("/runs/a.tav");
  record.SetUserName("");
  const std::string bytes =
      ListChunk("FiRe", {Chunk("ReDa", Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f})), Chunk("FReT", Bytes({2})),
                         Chunk("FFPa", "/runs/a.tav"), Chunk("UsNa", "")});
  EXPECT_EQ(WriteToString(record), bytes);
  auto back = ReadOne(bytes);
  EXPECT_EQ(WriteToString(*back), bytes);

  auto unknown = ReadOne(ListChunk("FiRe", {Chunk("FReT", Bytes({0xff})), Chunk("QQQQ", "x")}));
  auto& r = dynamic_cast<CFileRecordComp&>(*unknown);
  EXPECT_EQ(r.GetType(), -1);
  EXPECT_STREQ(r.GetTypeName(), "Unknown");
  EXPECT_EQ(r.GetUserName(), std::nullopt);
  EXPECT_EQ(CFileRecordComp().GetType(), 0);
  EXPECT_STREQ(GetFileRecordTypeName(4), "File Deleted");
  EXPECT_STREQ(GetFileRecordTypeName(5), "File Replaced");
}

TEST(FileRecord, PathsCompareWithoutCaseOnlyInWindowsForm) {
  EXPECT_TRUE(Record("C:\\Runs\\a.tav")->HasPath("c:\\runs\\A.TAV"));
  // POSIX names differing in case are different files.
  EXPECT_FALSE(Record("/runs/a.tav")->HasPath("/runs/A.tav"));
  EXPECT_TRUE(Record("/runs/a.tav")->HasPath("/runs/a.tav"));
  CFileRecordComp no_path;
  EXPECT_TRUE(no_path.HasPath(std::nullopt));
  EXPECT_TRUE(no_path.HasPath(""));
}

TEST(FileRecordList, AddOrReplaceKeepsOneRecordPerPath) {
  CFileRecordListComp list("CFRL");
  auto a = Record("C:\\Runs\\a.tav");
  auto b = Record("C:\\Runs\\b.tav");
  bool replaced = true;
  ASSERT_EQ(list.AddOrReplace(a, &replaced), kRecordOk);
  EXPECT_FALSE(replaced);
  ASSERT_EQ(list.AddOrReplace(b, &replaced), kRecordOk);
  auto again = Record("c:\\runs\\A.TAV", kFileRecordMoved);
  ASSERT_EQ(list.AddOrReplace(again, &replaced), kRecordOk);
  EXPECT_TRUE(replaced);
  EXPECT_EQ(list.GetChildCount(), 2u);
  POSITION last = list.GetLastChildPosition();
  EXPECT_EQ(dynamic_cast<CFileRecordComp*>(list.GetPrevChild(last))->GetType(), kFileRecordMoved);
  EXPECT_EQ(list.FindByPath(""), nullptr);

  bool removed = false;
  list.RemoveByPath("C:\\RUNS\\B.TAV", &removed);
  EXPECT_TRUE(removed);
  list.RemoveByPath("C:\\RUNS\\B.TAV", &removed);
  EXPECT_FALSE(removed);
  EXPECT_EQ(list.GetBodyLength() + 8, WriteToString(list).size());
}

// A full list refuses a new path without losing anything, and still takes
// the replacement of a path it holds.
class FullFileList : public CFileRecordListComp {
 public:
  FullFileList() : CFileRecordListComp("HFRL") {
    for (unsigned i = 0; i < kMaxListChildren; ++i) AppendChild(Record("/r/" + std::to_string(i)));
    RecalcSize();
  }
};

TEST(FileRecordList, FullListLosesNothing) {
  FullFileList list;
  auto fresh = Record("/r/new");
  EXPECT_EQ(list.AddOrReplace(fresh), kRecordListFull);
  EXPECT_NE(fresh, nullptr);
  EXPECT_EQ(list.GetChildCount(), size_t{kMaxListChildren});
  auto replacement = Record("/r/7", kFileRecordDeleted);
  bool replaced = false;
  EXPECT_EQ(list.AddOrReplace(replacement, &replaced), kRecordOk);
  EXPECT_TRUE(replaced);
}

TEST(RecordDate, ReadsExactlyEightBytesAndShowsTheLocaleText) {
  ReadOne(Chunk("ReDa", Bytes({0, 0, 0, 0})), kRecordReadError);
  CRecordDateComp date(1.5);
  CPropertyItemList items;
  date.AppendProperties(items);
  ASSERT_EQ(items.size(), 1u);
  EXPECT_EQ(items.at(0)->name(), "Record Date");
  EXPECT_EQ(items.at(0)->value_text(), FormatOleDate(1.5));
  EXPECT_EQ(items.at(0)->variant().vt, kVtDate);
}

}  // namespace
}  // namespace tav
