#include "records/audit_entry_obsolete_comp.h"

#include "records/body_io.h"
#include "records/chunk_file.h"
#include "records/property_item.h"
#include "records/tag_registry.h"
#include "util/strings.h"

namespace tav {

CAuditEntryObsoleteComp::CAuditEntryObsoleteComp() : CEventComp("AUev") { UpdateBodyLength(); }

CAuditEntryObsoleteComp::CAuditEntryObsoleteComp(std::string_view user_name, DATE date,
                                                 AUDITCODE code,
                                                 std::unique_ptr<CComponent> record)
    : CEventComp("AUev"), code_(code), record_(std::move(record)) {
  Set(user_name, date);
}

CAuditEntryObsoleteComp::~CAuditEntryObsoleteComp() = default;

std::unique_ptr<CComponent> CAuditEntryObsoleteComp::TakeRecord() {
  std::unique_ptr<CComponent> record = std::move(record_);
  UpdateBodyLength();
  return record;
}

void CAuditEntryObsoleteComp::UpdateBodyLength() {
  uint64_t length = uint64_t{GetEventBodyLength()} + 3;
  if (record_ != nullptr) length += record_->GetComponentSize();
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
}

void CAuditEntryObsoleteComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CEventComp::CopyFrom(other);
  if (!same_kind) return;
  const auto* entry = dynamic_cast<const CAuditEntryObsoleteComp*>(&other);
  if (entry == nullptr) return;
  code_ = entry->code_;
  other_count_ = entry->other_count_;
  record_.reset();
  if (entry->record_ != nullptr) CloneComponent(entry->record_.get(), record_);
}

void CAuditEntryObsoleteComp::Reset() {
  code_ = kAuditCodeUnset;
  record_.reset();
  other_count_ = 0;
  CEventComp::Reset();
}

void CAuditEntryObsoleteComp::AppendEntryItems(CPropertyItemList& list) const {
  list.Add(kPropertyValue, "Audit Code")
      ->SetText(StrFormat("%s (%d)", GetAuditCodeName(code_).c_str(), int{code_}));
  list.Add(kPropertyValue, "Number of Other Components")->SetUInt8(other_count_);
}

void CAuditEntryObsoleteComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CEventComp::AppendHeaderProperties(list);
  AppendEntryItems(list);
}

void CAuditEntryObsoleteComp::AppendProperties(CPropertyItemList& list) const {
  AppendEventItems(list);
  AppendEntryItems(list);
}

int CAuditEntryObsoleteComp::WriteData(CFile* file) {
  WriteEventFields(file);
  body_io::WriteLE16(file, static_cast<uint16_t>(code_));
  body_io::WriteU8(file, 0);
  return record_ != nullptr ? record_->StreamDataOut(file) : kRecordOk;
}

int CAuditEntryObsoleteComp::ReadData(CFile* file) {
  const uint64_t declared = GetBodyLength();
  const uint64_t start = file->GetPosition();
  Reset();
  int result = ReadEventFields(file);
  if (result != kRecordOk) return result;
  uint16_t code = 0;
  uint8_t count = 0;
  if (body_io::ReadLE16(file, &code) != kRecordOk || body_io::ReadU8(file, &count) != kRecordOk) {
    return kRecordReadError;
  }
  code_ = static_cast<AUDITCODE>(code);
  other_count_ = count;
  if (file->GetPosition() - start < declared) {
    result = ReadNextComponent(file, record_);
    if (result != kRecordOk) return result;
  }
  if (count > 1) {
    const uint64_t end = start + declared;
    if (end > file->GetLength()) return kRecordReadError;
    if (file->GetPosition() < end) file->Seek(static_cast<int64_t>(end), CFile::begin);
  }
  return kRecordOk;
}

}  // namespace tav
