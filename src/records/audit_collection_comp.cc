#include "records/audit_collection_comp.h"

#include <algorithm>
#include <limits>

#include "records/audit_entry_obsolete_comp.h"
#include "records/audit_event_comp.h"
#include "records/body_io.h"
#include "records/chunk_file.h"
#include "records/property_item.h"
#include "util/strings.h"

namespace tav {

namespace {

// The sequence number and the flag stand between the count and the events.
constexpr uint32_t kFieldBytes = 5;

}  // namespace

CAuditCollectionComp::CAuditCollectionComp(std::string_view tag, uint32_t sequence_number)
    : CListComp(tag), sequence_number_(sequence_number) {
  RecalcSize();
}

void CAuditCollectionComp::RecalcSize() {
  CListComp::RecalcSize();
  SetBodyLength(GetBodyLength() <= UINT32_MAX - kFieldBytes ? GetBodyLength() + kFieldBytes
                                                            : UINT32_MAX);
}

void CAuditCollectionComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CListComp::CopyFrom(other);
  if (!same_kind) return;
  if (const auto* c = dynamic_cast<const CAuditCollectionComp*>(&other)) {
    sequence_number_ = c->sequence_number_;
    is_full_ = c->is_full_;
  }
}

void CAuditCollectionComp::Reset() {
  CListComp::Reset();
  sequence_number_ = 0;
  is_full_ = 0;
  RecalcSize();
}

void CAuditCollectionComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CListComp::AppendHeaderProperties(list);
  list.Add(kPropertyValue, "Sequence Number")->SetUInt32(sequence_number_);
  list.Add(kPropertyValue, "Is Full?")->SetUInt8(is_full_);
}

int CAuditCollectionComp::WriteData(CFile* file) {
  if (GetChildCount() > kMaxListChildren) return kRecordListFull;
  body_io::WriteBE16(file, static_cast<uint16_t>(GetChildCount()));
  body_io::WriteBE32(file, sequence_number_);
  body_io::WriteU8(file, is_full_);
  return WriteChildren(file);
}

int CAuditCollectionComp::ReadData(CFile* file) {
  Reset();
  uint16_t count = 0;
  if (body_io::ReadBE16(file, &count) != kRecordOk ||
      body_io::ReadBE32(file, &sequence_number_) != kRecordOk ||
      body_io::ReadU8(file, &is_full_) != kRecordOk) {
    return kRecordReadError;
  }
  // A count beyond the data reads as any list's: the events before the end
  // (or the damage) are kept, and the list reports where it ended.
  int result = kRecordOk;
  for (unsigned i = 0; i < count; ++i) {
    const uint64_t start = file->GetPosition();
    char tag[4];
    if (file->Read(tag, 4) < 4) {
      // As any list: one that ends early keeps the events it has.
      ReadIssueCollector::Report(start, StrFormat("list '%s' ends after %u of its %u children",
                                                  HexSafeTag(GetTag()).c_str(), i, unsigned{count}));
      break;
    }
    file->Seek(static_cast<int64_t>(start), CFile::begin);
    ReadDepthProbe probe;
    std::unique_ptr<CComponent> child;
    result = ReadNextComponent(file, child);
    if (result != kRecordOk) return result;
    if (auto* obsolete = dynamic_cast<CAuditEntryObsoleteComp*>(child.get())) {
      // The current form nests the obsolete entry's record one level
      // deeper (event, entry, record); refuse what could not be read back.
      const int deepest = std::max(probe.Deepest() + 1, ReadDepthProbe::Current() + 2);
      if (deepest > kMaxNestingDepth) {
        ReadIssueCollector::ReportFailure(
            start, StrFormat("obsolete audit entry: its current form would nest deeper than %d levels",
                             kMaxNestingDepth));
        return kRecordTooDeep;
      }
      auto event = std::make_unique<CAuditEventComp>();
      result = event->FillFrom(*obsolete, ReadDepthProbe::Current() + 1, start);
      if (result != kRecordOk) return result;
      child = std::move(event);
      ReadIssueCollector::Note(start, "obsolete audit entry: written as an audit event");
    }
    AppendChild(std::move(child));
  }
  return kRecordOk;
}

}  // namespace tav
