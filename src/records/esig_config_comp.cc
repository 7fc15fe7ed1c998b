#include "records/esig_config_comp.h"

#include <limits>

#include "records/body_io.h"
#include "records/property_item.h"
#include "records/value_comps.h"
#include "util/strings.h"

namespace tav {

// ---------------------------------------------------------------- entry

CESigReasonConfigComp::CESigReasonConfigComp() : CComponent("EScf") { UpdateBodyLength(); }

CESigReasonConfigComp::CESigReasonConfigComp(const ESigReason& reason, int32_t setting)
    : CComponent("EScf"),
      reason_(static_cast<uint8_t>(reason.reason_id)),
      item_(static_cast<uint8_t>(reason.item_code)),
      setting_(static_cast<uint8_t>(setting)) {
  const size_t n = std::min(reason.tag_paths.size(), kMaxESigTagPaths);
  for (size_t i = 0; i < n; ++i) paths_[i] = reason.tag_paths[i];
  UpdateBodyLength();
}

size_t CESigReasonConfigComp::GetPathCount() const {
  size_t n = 0;
  while (n < paths_.size() && !paths_[n].empty()) ++n;
  return n;
}

void CESigReasonConfigComp::UpdateBodyLength() {
  uint64_t length = 7;
  for (size_t i = 0, n = GetPathCount(); i < n; ++i) length += 4 + paths_[i].size();
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, UINT32_MAX)));
}

int32_t CESigReasonConfigComp::Export(ESigReason& reason) const {
  reason.reason_id = reason_;
  reason.item_code = item_;
  reason.tag_paths.assign(paths_.begin(), paths_.begin() + static_cast<std::ptrdiff_t>(GetPathCount()));
  return setting_;
}

void CESigReasonConfigComp::CopyFrom(const CComponent& other) {
  const bool same_kind = &other != this && other.GetTag() == GetTag();
  CComponent::CopyFrom(other);
  if (!same_kind) return;
  if (const auto* e = dynamic_cast<const CESigReasonConfigComp*>(&other)) {
    reason_ = e->reason_;
    item_ = e->item_;
    setting_ = e->setting_;
    paths_ = e->paths_;
  }
}

void CESigReasonConfigComp::Reset() {
  reason_ = item_ = setting_ = 255;
  for (std::string& path : paths_) path.clear();
  UpdateBodyLength();
}

bool CESigReasonConfigComp::IsSameTag(const CComponent* other) const {
  if (!CComponent::IsSameTag(other)) return false;
  const auto* e = dynamic_cast<const CESigReasonConfigComp*>(other);
  return e != nullptr && e->reason_ == reason_ && e->item_ == item_;
}

std::string CESigReasonConfigComp::GetMatchKey() const {
  std::string key = GetTagString();
  key += static_cast<char>(reason_);
  key += static_cast<char>(item_);
  return key;
}

void CESigReasonConfigComp::AppendConfigItems(CPropertyItemList& list) const {
  list.Add(kPropertyValue, "ESig Reason")->SetText(StrFormat("(%d)", int{reason_}));
  list.Add(kPropertyValue, "ESig Item")->SetText(StrFormat("(%d)", int{item_}));
  list.Add(kPropertyValue, "ESig Setting")->SetUInt8(setting_);
  const size_t n = GetPathCount();
  list.Add(kPropertyValue, "Component Tag List Size")->SetUInt32(static_cast<uint32_t>(n));
  for (size_t i = 0; i < n; ++i) list.Add(kPropertyValue, "Component Tag Path")->SetText(paths_[i]);
}

void CESigReasonConfigComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CComponent::AppendHeaderProperties(list);
  AppendConfigItems(list);
}

void CESigReasonConfigComp::AppendProperties(CPropertyItemList& list) const {
  AppendConfigItems(list);
}

int CESigReasonConfigComp::WriteData(CFile* file) {
  body_io::WriteU8(file, reason_);
  body_io::WriteU8(file, item_);
  body_io::WriteU8(file, setting_);
  const size_t n = GetPathCount();
  body_io::WriteLE32(file, static_cast<uint32_t>(n));
  for (size_t i = 0; i < n; ++i) {
    body_io::WriteLE32(file, static_cast<uint32_t>(paths_[i].size()));
    body_io::WriteText(file, paths_[i]);
  }
  return kRecordOk;
}

int CESigReasonConfigComp::ReadData(CFile* file) {
  Reset();
  const uint64_t start = file->GetPosition();
  uint32_t count = 0;
  if (body_io::ReadU8(file, &reason_) != kRecordOk || body_io::ReadU8(file, &item_) != kRecordOk ||
      body_io::ReadU8(file, &setting_) != kRecordOk || body_io::ReadLE32(file, &count) != kRecordOk) {
    ReadIssueCollector::Report(start, "reason configuration entry ends inside its codes");
    return kRecordOk;
  }
  // Every path takes at least its 4-byte length, and a short read stops
  // the loop, so a huge count costs no more than the bytes that are there.
  uint32_t i = 0;
  for (; i < count; ++i) {
    uint32_t length = 0;
    if (body_io::ReadLE32(file, &length) != kRecordOk) break;
    if (length == 0) {
      // Leaves the slot empty, which ends the paths when written: this one
      // and those after it would not be written back.
      ReadIssueCollector::Report(
          start, StrFormat("reason configuration entry: path %u of %u is empty", i + 1, count));
      continue;
    }
    const int result = i < kMaxESigTagPaths ? body_io::ReadText(file, length, &paths_[i])
                                            : body_io::Skip(file, length);
    if (result != kRecordOk) break;
  }
  if (i < count) {
    ReadIssueCollector::Report(
        start, StrFormat("reason configuration entry ends after %u of its %u paths", i, count));
  } else if (count > kMaxESigTagPaths) {
    ReadIssueCollector::Report(
        start, StrFormat("reason configuration entry holds %u paths; only the first %zu are kept",
                         count, kMaxESigTagPaths));
  }
  return kRecordOk;
}

// ---------------------------------------------------------------- list

CESigReasonConfigListComp::CESigReasonConfigListComp() : CListComp("EScc") {}

CESigReasonConfigListComp::CESigReasonConfigListComp(const CTAVESigConfiguration& config)
    : CListComp("EScc") {
  for (const CTAVESigConfiguration::Entry& entry : config.entries()) {
    AddComponent(std::make_unique<CESigReasonConfigComp>(entry.reason, entry.setting));
  }
}

void CESigReasonConfigListComp::Export(CTAVESigConfiguration& config) const {
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    const auto* entry = dynamic_cast<const CESigReasonConfigComp*>(GetNextChild(pos));
    if (entry == nullptr) continue;
    ESigReason reason;
    const int32_t setting = entry->Export(reason);
    config.SetSetting(reason, setting);
  }
}

// ---------------------------------------------------------------- targets

CESigTargetConfigComp::CESigTargetConfigComp() : CListComp("ESiT") {}

CESigTargetConfigComp::CESigTargetConfigComp(std::string_view target_name) : CListComp("ESiT") {
  SetTargetName(target_name);
}

std::string CESigTargetConfigComp::GetTargetName() const { return std::string(TargetName()); }

std::string_view CESigTargetConfigComp::TargetName() const {
  const auto* name = dynamic_cast<const CTextComp*>(FindChild("ESTN"));
  return name != nullptr ? std::string_view(name->GetText()) : std::string_view();
}

void CESigTargetConfigComp::SetTargetName(std::string_view target_name) {
  if (auto* name = dynamic_cast<CTextComp*>(FindChild("ESTN"))) {
    name->SetText(std::string(target_name));
    RecalcSize();
    return;
  }
  AddComponent(std::make_unique<CTextComp>("ESTN", target_name));
}

bool CESigTargetConfigComp::IsSameTag(const CComponent* other) const {
  if (!CComponent::IsSameTag(other)) return false;
  const auto* target = dynamic_cast<const CESigTargetConfigComp*>(other);
  return target != nullptr && EqualsNoCase(target->TargetName(), TargetName());
}

std::string CESigTargetConfigComp::GetMatchKey() const {
  return GetTagString() + ToLowerAscii(TargetName());
}

CESigConfigurationsComp::CESigConfigurationsComp() : CListComp("ESiC") {}

}  // namespace tav
