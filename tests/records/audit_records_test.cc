// Audit records byte for byte: events, entries, audit events and trails,
// the older layouts they upgrade, and damage they refuse.
#include <gtest/gtest.h>

#include "records/audit_collection_comp.h"
#include "records/audit_entry_comp.h"
#include "records/audit_entry_obsolete_comp.h"
#include "records/audit_event_comp.h"
#include "records/chunk_file.h"
#include "records/event_comp.h"
#include "records/list_comp.h"
#include "records/value_comps.h"
#include "testing/bytes.h"

namespace tav {
namespace {

using testing::Bytes;
using testing::Chunk;
using testing::ListChunk;
using testing::WriteToString;

const std::string kDate15 = Bytes({0, 0, 0, 0, 0, 0, 0xf8, 0x3f});  // 1.5, little-endian

std::unique_ptr<CComponent> ReadOne(const std::string& bytes, int expect = kRecordOk) {
  CMemFile file(bytes.data(), bytes.size());
  std::unique_ptr<CComponent> c;
  EXPECT_EQ(ReadNextComponent(&file, c), expect);
  return c;
}

// Reads, writes, and checks that the written form reads back to itself.
std::string Rewrite(const std::string& bytes) {
  std::unique_ptr<CComponent> c = ReadOne(bytes);
  if (c == nullptr) return "";
  const std::string once = WriteToString(*c);
  std::unique_ptr<CComponent> again = ReadOne(once);
  if (again != nullptr) {
    EXPECT_EQ(WriteToString(*again), once);
  }
  return once;
}

TEST(AuditCodes, NamesAndNumbers) {
  EXPECT_EQ(GetAuditCodeName(1), "Added Record");
  EXPECT_EQ(GetAuditCodeName(7), "Failed E-Signature Attempt");
  EXPECT_EQ(GetAuditCodeName(10), "Successful Login");
  EXPECT_EQ(GetAuditCodeName(0), "0");
  EXPECT_EQ(GetAuditCodeName(11), "Logged Off");
  EXPECT_EQ(GetAuditCodeName(14), "Account Locked");
  EXPECT_EQ(GetAuditCodeName(16), "Account Removed");
  EXPECT_EQ(GetAuditCodeName(17), "Password Changed");
  EXPECT_EQ(GetAuditCodeName(18), "Password Expired");
  EXPECT_EQ(GetAuditCodeName(19), "Audit Trail Reviewed");
  EXPECT_EQ(GetAuditCodeName(20), "20");
  EXPECT_EQ(GetAuditCodeName(-1), "-1");
}

TEST(EventRecord, EmptyNameIsNineBytesAndNamesAreCutAtCharacters) {
  CEventComp event;
  event.Set("", 1.5);
  EXPECT_EQ(event.GetBodyLength(), 9u);
  EXPECT_EQ(WriteToString(event), Chunk("EVnt", kDate15 + Bytes({0})));

  // 254 ASCII bytes then a two-byte character: the cut falls before it.
  event.Set(std::string(254, 'a') + "\xc3\xa9" + "tail", 1.5);
  EXPECT_EQ(event.GetUserName(), std::string(254, 'a'));
  auto back = ReadOne(WriteToString(event));
  EXPECT_EQ(static_cast<CEventComp*>(back.get())->GetUserName(), std::string(254, 'a'));
}

TEST(AuditEntry, ByteLayouts) {
  CAuditEntryComp bare(kAuditChangedRecord, nullptr, nullptr);
  EXPECT_EQ(WriteToString(bare), Chunk("AEnx", Bytes({2, 0, 0})));

  // An empty path is not written, and the count byte says so.
  CComponentPathComp empty;
  CAuditEntryComp no_path(kAuditDeletedRecord, std::make_unique<CShortComp>("ROWN", 5), &empty);
  EXPECT_EQ(WriteToString(no_path), Chunk("AEnx", Bytes({3, 0, 0}) + Chunk("ROWN", Bytes({0, 5}))));

  CComponentPathComp path;
  ASSERT_TRUE(CListComp("ESIG").AppendToPath(&path));
  CAuditEntryComp full(kAuditChangedRecord, std::make_unique<CShortComp>("ROWN", 5), &path);
  const std::string bytes =
      Chunk("AEnx", Bytes({2, 0, 1}) + Chunk("ROWN", Bytes({0, 5})) +
                        ListChunk("CPat", {ListChunk("ESIG", {})}));
  EXPECT_EQ(WriteToString(full), bytes);
  EXPECT_EQ(full.GetBodyLength() + 8, bytes.size());
  EXPECT_EQ(Rewrite(bytes), bytes);
}

TEST(AuditEntry, UpgradesOlderLayouts) {
  // A path where the record belongs becomes the path.
  const std::string path = ListChunk("CPat", {ListChunk("EScc", {})});
  auto moved = ReadOne(Chunk("AEnx", Bytes({1, 0, 0}) + path));
  auto* entry = dynamic_cast<CAuditEntryComp*>(moved.get());
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetRecord(), nullptr);
  ASSERT_NE(entry->GetRecordPath(), nullptr);
  EXPECT_EQ(entry->GetRecordPath()->GetPathText(), "EScc");

  // A "New Record" text naming a tag becomes a one-element path.
  const std::string old_form = Chunk("AEnx", Bytes({1, 0, 0}) + Chunk("AuAR", "ESIG"));
  EXPECT_EQ(Rewrite(old_form), Chunk("AEnx", Bytes({1, 0, 0}) + ListChunk("CPat", {ListChunk("ESIG", {})})));
  // An empty path in the record's place is no path either, so what is
  // written reads back the same.
  EXPECT_EQ(Rewrite(Chunk("AEnx", Bytes({1, 0, 1}) + ListChunk("CPat", {}) + ListChunk("CPat", {}))),
            Chunk("AEnx", Bytes({1, 0, 0})));
  // One naming no tag leaves neither record nor path.
  EXPECT_EQ(Rewrite(Chunk("AEnx", Bytes({1, 0, 0}) + Chunk("AuAR", "zzzz"))),
            Chunk("AEnx", Bytes({1, 0, 0})));
}

TEST(AuditEntry, CountAboveOneSkipsToTheDeclaredEnd) {
  const std::string body = Bytes({2, 0, 2}) + Chunk("ROWN", Bytes({0, 5})) +
                           ListChunk("CPat", {ListChunk("ESIG", {})}) + "JUNK";
  const std::string bytes = Chunk("AEnx", body) + Chunk("COMT", "next");
  CMemFile file(bytes.data(), bytes.size());
  ChunkFileError error;
  auto chunks = ReadChunkFile(&file, &error);
  ASSERT_EQ(error.code, kRecordOk);
  ASSERT_EQ(chunks.size(), 2u);
  EXPECT_EQ(chunks[1]->GetValueText(), "next");
  // Beyond the file's end is a short read, not a seek that throws.
  const std::string cut = bytes.substr(0, 8) + body.substr(0, body.size() - 4);
  ReadOne(cut, kRecordReadError);
}

TEST(AuditEvent, MixesByteOrdersAsLaidOut) {
  CAuditEventComp event;
  event.SetEvent("bob", 1.5);
  event.SetReasonForChange("why");
  ASSERT_EQ(event.AddAuditEntry(kAuditAddedRecord, nullptr, nullptr), kRecordOk);
  const std::string bytes =
      Chunk("AEvt", kDate15 + Bytes({3}) + "bob" + Bytes({3, 0}) + "why" + Bytes({0, 1}) +
                        Chunk("AEnx", Bytes({1, 0, 0})));
  EXPECT_EQ(event.GetBodyLength() + 8, bytes.size());
  EXPECT_EQ(WriteToString(event), bytes);
  EXPECT_EQ(Rewrite(bytes), bytes);
}

TEST(AuditEvent, ReasonIsCutAndItsSizeNeverNegative) {
  CAuditEventComp event;
  event.SetReasonForChange(std::string(40000, 'r'));
  EXPECT_EQ(event.GetReasonForChange().size(), kMaxReasonForChangeBytes);
  // A size with the sign bit set is damage, not a huge read.
  ReadOne(Chunk("AEvt", kDate15 + Bytes({0, 0x00, 0x80})), kRecordCorrupt);
}

TEST(AuditEvent, EntryCountBeyondTheDataKeepsTheEntriesThatAreThere) {
  const std::string entry = Chunk("AEnx", Bytes({1, 0, 0}));
  const std::string bytes = Chunk("AEvt", kDate15 + Bytes({0, 0, 0, 0xff, 0xff}) + entry);
  ReadIssueCollector collector;
  auto event = ReadOne(bytes);
  ASSERT_NE(event, nullptr);
  EXPECT_EQ(dynamic_cast<CAuditEventComp&>(*event).GetChildCount(), 1u);
  EXPECT_EQ(collector.failure(), nullptr);
  ASSERT_EQ(collector.issues().size(), 1u);  // check reports it
  EXPECT_NE(collector.issues()[0].text.find("ends after 1 of its 65535"), std::string::npos);
}

TEST(AuditTrail, CountBeyondTheDataKeepsTheIntactEvents) {
  CAuditEventComp first, second;
  first.SetEvent("amy", 1.5);
  second.SetEvent("bob", 1.5);
  ASSERT_EQ(first.AddAuditEntry(kAuditFailedLogin, nullptr, nullptr), kRecordOk);
  ASSERT_EQ(second.AddAuditEntry(kAuditSuccessfulLogin, nullptr, nullptr), kRecordOk);
  const std::string events = WriteToString(first) + WriteToString(second);
  // A count of 40000 events, each at least a chunk header: far more than
  // the bytes left; the two events that are there survive.
  for (const char* tag : {"AUDT", "SyEL"}) {
    ReadIssueCollector collector;
    auto trail = ReadOne(Chunk(tag, Bytes({0x9c, 0x40, 0, 0, 0, 7, 0}) + events));
    ASSERT_NE(trail, nullptr) << tag;
    auto& collection = dynamic_cast<CAuditCollectionComp&>(*trail);
    EXPECT_EQ(collection.GetChildCount(), 2u);
    EXPECT_EQ(collection.GetSequenceNumber(), 7u);
    ASSERT_EQ(collector.issues().size(), 1u);
    EXPECT_NE(collector.issues()[0].text.find("ends after 2 of its 40000"), std::string::npos);
  }
}

TEST(AuditTrail, EmptyTrailIsSevenBodyBytes) {
  CAuditCollectionComp trail("AUDT", 0x01020304);
  trail.SetIsFullFlag(1);
  const std::string bytes = Chunk("AUDT", Bytes({0, 0, 1, 2, 3, 4, 1}));
  EXPECT_EQ(WriteToString(trail), bytes);
  EXPECT_EQ(Rewrite(bytes), bytes);
  auto back = ReadOne(Chunk("SyEL", Bytes({0, 0, 0, 0, 0, 9, 0})));
  EXPECT_EQ(dynamic_cast<CAuditCollectionComp&>(*back).GetSequenceNumber(), 9u);
}

TEST(AuditTrail, ObsoleteEntryReadsBackAsAuditEvent) {
  const std::string obsolete =
      Chunk("AUev", kDate15 + Bytes({3}) + "amy" + Bytes({3, 0, 0}) + Chunk("COMT", "x"));
  const std::string trail = Chunk("AUDT", Bytes({0, 1, 0, 0, 0, 0, 0}) + obsolete);
  CAuditEventComp expected;
  expected.SetEvent("amy", 1.5);
  ASSERT_EQ(expected.AddAuditEntry(kAuditDeletedRecord, std::make_unique<CTextComp>("COMT", "x"), nullptr),
            kRecordOk);
  EXPECT_EQ(Rewrite(trail), Chunk("AUDT", Bytes({0, 1, 0, 0, 0, 0, 0}) + WriteToString(expected)));

  // Outside a trail it stays as it is.
  EXPECT_EQ(Rewrite(obsolete), obsolete);

  // Its record in an older layout is upgraded too, as reading the current
  // form back would.
  const std::string named = Chunk(
      "AUDT", Bytes({0, 1, 0, 0, 0, 0, 0}) +
                  Chunk("AUev", kDate15 + Bytes({0, 1, 0, 0}) + Chunk("AuAR", "ESIG")));
  const std::string upgraded = Rewrite(named);
  auto trail_back = ReadOne(upgraded);
  POSITION pos = trail_back->GetFirstChildPosition();
  auto* event = dynamic_cast<CAuditEventComp*>(trail_back->GetNextChild(pos));
  ASSERT_NE(event, nullptr);
  pos = event->GetFirstChildPosition();
  auto* entry = dynamic_cast<CAuditEntryComp*>(event->GetNextChild(pos));
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->GetRecord(), nullptr);
  EXPECT_EQ(entry->GetRecordPath()->GetPathText(), "ESIG");
}

TEST(AuditTrail, UpgradeThatWouldNestTooDeeplyIsRefused) {
  // The obsolete entry's record nests one level deeper in its current form.
  const std::string obsolete =
      Chunk("AUev", kDate15 + Bytes({0, 3, 0, 0}) + Chunk("COMT", "x"));
  auto wrap = [&](int lists) {
    std::string bytes = Chunk("AUDT", Bytes({0, 1, 0, 0, 0, 0, 0}) + obsolete);
    for (int i = 0; i < lists; ++i) bytes = ListChunk("ESIG", {bytes});
    return bytes;
  };
  // 96 lists: the record lies at level 99 and moves to 100, still readable.
  const std::string fits = Rewrite(wrap(96));
  EXPECT_FALSE(fits.empty());
  ReadOne(wrap(97), kRecordTooDeep);
}

}  // namespace
}  // namespace tav
