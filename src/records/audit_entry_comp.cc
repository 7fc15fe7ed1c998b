#include "records/audit_entry_comp.h"

#include "records/body_io.h"
#include "records/chunk_file.h"
#include "records/property_item.h"
#include "records/tag_registry.h"
#include "records/value_comps.h"
#include "util/strings.h"

namespace tav {

namespace {

// The record as a group item holding its own properties.
void AppendRecordGroup(const CComponent& record, CPropertyItemList& list) {
  auto children = std::make_unique<CPropertyItemList>(CPropertyItemList::kMatchByPosition);
  record.AppendProperties(*children);
  std::unique_ptr<CPropertyItem> group;
  if (!record.GetGroupItem(group) || group == nullptr) {
    group = std::make_unique<CPropertyItem>(kPropertyGroup, record.GetName());
    group->SetText(std::string(), kTypeCodePlainText);
  }
  group->SetChildren(std::move(children));
  list.Add(std::move(group));
}

}  // namespace

CAuditEntryComp::CAuditEntryComp() : CComponent("AEnx") { UpdateBodyLength(); }

CAuditEntryComp::CAuditEntryComp(AUDITCODE code, std::unique_ptr<CComponent> record,
                                 const CComponentPathComp* path)
    : CComponent("AEnx"), code_(code), record_(std::move(record)) {
  if (path != nullptr && path->GetChildCount() > 0) {
    path_ = std::make_unique<CComponentPathComp>();
    path_->CopyFrom(*path);
  }
  other_count_ = record_ != nullptr && WritesPath() ? 1 : 0;
  UpdateBodyLength();
}

CAuditEntryComp::~CAuditEntryComp() = default;

std::unique_ptr<CComponent> CAuditEntryComp::TakeRecord() {
  std::unique_ptr<CComponent> record = std::move(record_);
  UpdateBodyLength();
  return record;
}

bool CAuditEntryComp::WritesPath() const {
  return path_ != nullptr && path_->GetFirstChildPosition() != nullptr;
}

void CAuditEntryComp::UpdateBodyLength() {
  uint64_t length = 3;
  if (record_ != nullptr) length += record_->GetComponentSize();
  if (WritesPath()) length += path_->GetComponentSize();
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
}

void CAuditEntryComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CComponent::CopyFrom(other);
  if (!same_kind) return;
  const auto* entry = dynamic_cast<const CAuditEntryComp*>(&other);
  if (entry == nullptr) return;
  code_ = entry->code_;
  other_count_ = entry->other_count_;
  record_.reset();
  if (entry->record_ != nullptr) CloneComponent(entry->record_.get(), record_);
  path_.reset();
  if (entry->path_ != nullptr) {
    path_ = std::make_unique<CComponentPathComp>();
    path_->CopyFrom(*entry->path_);
  }
}

void CAuditEntryComp::Reset() {
  code_ = kAuditCodeUnset;
  record_.reset();
  path_.reset();
  other_count_ = 0;
  UpdateBodyLength();
}

void CAuditEntryComp::AppendEntryItems(CPropertyItemList& list) const {
  list.Add(kPropertyValue, "Audit Code")
      ->SetText(StrFormat("%s (%d)", GetAuditCodeName(code_).c_str(), int{code_}));
  list.Add(kPropertyValue, "Number of Other Components")->SetUInt8(other_count_);
}

void CAuditEntryComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CComponent::AppendHeaderProperties(list);
  AppendEntryItems(list);
}

void CAuditEntryComp::AppendProperties(CPropertyItemList& list) const {
  AppendEntryItems(list);
  if (path_ != nullptr) list.Add(kPropertyValue, "Record Path")->SetText(path_->GetPathText());
  if (record_ != nullptr) AppendRecordGroup(*record_, list);
}

int CAuditEntryComp::WriteData(CFile* file) {
  body_io::WriteLE16(file, static_cast<uint16_t>(code_));
  const bool writes_path = WritesPath();
  body_io::WriteU8(file, record_ != nullptr && writes_path ? 1 : 0);
  if (record_ != nullptr) {
    const int result = record_->StreamDataOut(file);
    if (result != kRecordOk) return result;
  }
  return writes_path ? path_->StreamDataOut(file) : kRecordOk;
}

int CAuditEntryComp::ReadData(CFile* file) {
  const uint64_t declared = GetBodyLength();
  const uint64_t start = file->GetPosition();
  Reset();
  uint16_t code = 0;
  uint8_t count = 0;
  if (body_io::ReadLE16(file, &code) != kRecordOk || body_io::ReadU8(file, &count) != kRecordOk) {
    return kRecordReadError;
  }
  code_ = static_cast<AUDITCODE>(code);
  other_count_ = count;
  const auto inside = [&] { return file->GetPosition() - start < declared; };

  int result = kRecordOk;
  if (inside()) result = ReadNextComponent(file, record_);
  if (result == kRecordOk && count != 0 && inside()) {
    std::unique_ptr<CComponent> path;
    result = ReadNextComponent(file, path);
    if (result == kRecordOk) {
      if (auto* p = dynamic_cast<CComponentPathComp*>(path.get())) {
        path.release();
        path_.reset(p);
      } else {
        // Not a path: there is no place for it, and it is not written back.
        ReadIssueCollector::Report(
            start, StrFormat("audit entry holds a '%s' chunk where its record path belongs",
                             HexSafeTag(path->GetTag()).c_str()));
      }
    }
  }
  if (result == kRecordOk) result = UpgradeOlderLayout(ReadDepthProbe::Current(), start);
  if (result != kRecordOk) return result;

  if (count > 1) {
    // Further components that no reader knows: skip to the declared end.
    const uint64_t end = start + declared;
    if (end > file->GetLength()) return kRecordReadError;
    if (file->GetPosition() < end) file->Seek(static_cast<int64_t>(end), CFile::begin);
    ReadIssueCollector::Note(
        start, StrFormat("audit entry of an older layout (%u other components): written with "
                         "its record and path only",
                         unsigned{count}));
  }
  return kRecordOk;
}

int CAuditEntryComp::UpgradeOlderLayout(int entry_level, uint64_t offset) {
  if (record_ == nullptr) return kRecordOk;
  if (record_->GetTag().Is("CPat") && !WritesPath()) {
    // A path written where the record belongs (a writer that found no
    // record wrote the path first). An empty path counts as none, as it
    // does when written, so that what is written reads back the same.
    if (auto* p = dynamic_cast<CComponentPathComp*>(record_.get())) {
      record_.release();
      path_.reset(p);
      UpdateBodyLength();
    }
    return kRecordOk;
  }
  if (!record_->GetTag().Is("AuAR")) return kRecordOk;
  // An older "New Record" entry: its text names the tag of the added record.
  if (path_ == nullptr) path_ = std::make_unique<CComponentPathComp>();
  const auto* text = dynamic_cast<const CTextComp*>(record_.get());
  if (text != nullptr && LookupTag(text->GetText()) >= 0) {
    std::unique_ptr<CComponent> element;
    CreateComponent(text->GetText(), element);
    // The element nests two levels below this entry; one that would be
    // refused as too deep when read back is refused now.
    if (element->GetBodyLength() != 0 && entry_level + 2 > kMaxNestingDepth) {
      ReadIssueCollector::ReportFailure(
          offset, StrFormat("audit entry: its upgraded record path would nest deeper than %d levels",
                           kMaxNestingDepth));
      return kRecordTooDeep;
    }
    element->AppendToPath(path_.get());
  }
  record_.reset();
  UpdateBodyLength();
  ReadIssueCollector::Note(offset, "audit entry of an older layout: a \"New Record\" text "
                                   "became its record path");
  return kRecordOk;
}

}  // namespace tav
