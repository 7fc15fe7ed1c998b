#include "records/audit_event_comp.h"

#include <limits>

#include "records/audit_entry_comp.h"
#include "records/audit_entry_obsolete_comp.h"
#include "records/body_io.h"
#include "records/property_item.h"
#include "util/strings.h"

namespace tav {

CAuditEventComp::CAuditEventComp() : CListComp("AEvt") { RecalcSize(); }

uint32_t CAuditEventComp::FieldBytes() const {
  return event_.GetEventBodyLength() + 2 + static_cast<uint32_t>(reason_.size());
}

void CAuditEventComp::RecalcSize() {
  CListComp::RecalcSize();
  const uint64_t length = uint64_t{GetBodyLength()} + FieldBytes();
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
}

void CAuditEventComp::SetEvent(std::string_view user_name, DATE date) {
  event_.Set(user_name, date);
  RecalcSize();
}

void CAuditEventComp::SetReasonForChange(std::string_view reason) {
  reason_ = Utf8Prefix(reason, kMaxReasonForChangeBytes);
  RecalcSize();
}

int CAuditEventComp::AddAuditEntry(AUDITCODE code, std::unique_ptr<CComponent> record,
                                   const CComponentPathComp* path) {
  return AddComponent(std::make_unique<CAuditEntryComp>(code, std::move(record), path));
}

void CAuditEventComp::AppendAuditEntry(AUDITCODE code, std::unique_ptr<CComponent> record,
                                       const CComponentPathComp* path) {
  auto entry = std::make_unique<CAuditEntryComp>(code, std::move(record), path);
  const uint64_t length = uint64_t{GetBodyLength()} + entry->GetComponentSize();
  AppendChild(std::move(entry));
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
}

int CAuditEventComp::FillFrom(CAuditEntryObsoleteComp& obsolete, int event_level, uint64_t offset) {
  Reset();
  // Set() would turn an unset date (0) into the current time: the date is
  // carried as it was recorded.
  event_.CopyEventFields(obsolete);
  auto entry = std::make_unique<CAuditEntryComp>(obsolete.GetAuditCode(), obsolete.TakeRecord(), nullptr);
  const int result = entry->UpgradeOlderLayout(event_level + 1, offset);
  AppendChild(std::move(entry));
  RecalcSize();
  return result;
}

void CAuditEventComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CListComp::CopyFrom(other);
  if (!same_kind) return;
  if (const auto* event = dynamic_cast<const CAuditEventComp*>(&other)) {
    event_.CopyEventFields(event->event_);
    reason_ = event->reason_;
  }
}

void CAuditEventComp::Reset() {
  CListComp::Reset();
  event_.Reset();
  reason_.clear();
  RecalcSize();
}

void CAuditEventComp::AppendFieldItems(CPropertyItemList& list) const {
  event_.AppendEventItems(list);
  list.Add(kPropertyValue, "Reason For Change Size")
      ->SetUInt16(static_cast<uint16_t>(reason_.size()));
  list.Add(kPropertyValue, "Reason For Change")->SetText(reason_);
}

void CAuditEventComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CListComp::AppendHeaderProperties(list);
  AppendFieldItems(list);
  list.Add(kPropertyValue, "Audit Entry Count")->SetUInt16(static_cast<uint16_t>(GetChildCount()));
}

void CAuditEventComp::AppendProperties(CPropertyItemList& list) const {
  AppendFieldItems(list);
  CListComp::AppendProperties(list);
}

int CAuditEventComp::WriteData(CFile* file) {
  if (GetChildCount() > kMaxListChildren) return kRecordListFull;
  event_.WriteEventFields(file);
  body_io::WriteLE16(file, static_cast<uint16_t>(reason_.size()));
  body_io::WriteText(file, reason_);
  body_io::WriteBE16(file, static_cast<uint16_t>(GetChildCount()));
  return WriteChildren(file);
}

int CAuditEventComp::ReadData(CFile* file) {
  Reset();
  int result = event_.ReadEventFields(file);
  if (result != kRecordOk) return result;
  uint16_t size = 0;
  const uint64_t size_offset = file->GetPosition();
  if (body_io::ReadLE16(file, &size) != kRecordOk) return kRecordReadError;
  // The size is a signed 16-bit field: a negative one is damage.
  if (size > kMaxReasonForChangeBytes) {
    ReadIssueCollector::ReportFailure(
        size_offset, StrFormat("audit event: reason for change size %d is negative",
                               static_cast<int>(static_cast<int16_t>(size))));
    return kRecordCorrupt;
  }
  result = body_io::ReadText(file, size, &reason_);
  if (result != kRecordOk) return result;
  uint16_t count = 0;
  if (body_io::ReadBE16(file, &count) != kRecordOk) return kRecordReadError;
  // A count beyond the data reads as any list's: the entries that are
  // there are kept, and the list reports where it ended.
  return ReadChildren(file, count);
}

}  // namespace tav
