#include "records/esig_config_types.h"

#include "util/archive.h"
#include "util/strings.h"

namespace tav {

uint64_t CTAVESigConfiguration::Key(ESigReasonID reason_id, ESigItemCode item_code) {
  return (uint64_t{static_cast<uint32_t>(reason_id)} << 32) | static_cast<uint32_t>(item_code);
}

const CTAVESigConfiguration::Entry* CTAVESigConfiguration::Find(ESigReasonID reason_id,
                                                                ESigItemCode item_code) const {
  const auto it = index_.find(Key(reason_id, item_code));
  return it == index_.end() ? nullptr : &entries_[it->second];
}

int32_t CTAVESigConfiguration::GetSetting(ESigReasonID reason_id, ESigItemCode item_code) const {
  const Entry* entry = Find(reason_id, item_code);
  return entry != nullptr ? entry->setting : -1;
}

int32_t CTAVESigConfiguration::GetSetting(const ESigReason& reason) const {
  return GetSetting(reason.reason_id, reason.item_code);
}

void CTAVESigConfiguration::SetSetting(const ESigReason& reason, int32_t setting) {
  const auto [it, added] = index_.try_emplace(Key(reason.reason_id, reason.item_code), entries_.size());
  if (added) {
    entries_.push_back({reason, setting});
  } else {
    entries_[it->second] = {reason, setting};
  }
}

bool CTAVESigConfiguration::RemoveSetting(ESigReasonID reason_id, ESigItemCode item_code) {
  const auto it = index_.find(Key(reason_id, item_code));
  if (it == index_.end()) return false;
  const size_t at = it->second;
  index_.erase(it);
  entries_.erase(entries_.begin() + static_cast<std::ptrdiff_t>(at));
  for (auto& [key, position] : index_) {
    if (position > at) --position;
  }
  return true;
}

void CTAVESigConfiguration::Clear() {
  entries_.clear();
  index_.clear();
}

namespace {

// The smallest stored entry: two codes, a path count and a setting.
constexpr uint64_t kMinArchivedEntryBytes = 1 + 1 + 4 + 4;

void StoreEntry(CArchive& ar, const CTAVESigConfiguration::Entry& entry) {
  std::vector<std::string_view> paths;
  for (size_t i = 0; i < entry.reason.tag_paths.size() && i < kMaxESigTagPaths; ++i) {
    const std::string& path = entry.reason.tag_paths[i];
    if (path.empty()) break;
    const std::string_view trimmed = TrimWhitespace(path);
    if (!trimmed.empty()) paths.push_back(trimmed);
  }
  ar.WriteUInt8(static_cast<uint8_t>(entry.reason.reason_id));
  ar.WriteUInt8(static_cast<uint8_t>(entry.reason.item_code));
  ar.WriteUInt32(static_cast<uint32_t>(paths.size()));
  for (std::string_view path : paths) ar.WriteString(path);
  ar.WriteInt32(entry.setting);
}

CTAVESigConfiguration::Entry LoadEntry(CArchive& ar) {
  CTAVESigConfiguration::Entry entry;
  entry.reason.reason_id = ar.ReadUInt8();
  entry.reason.item_code = ar.ReadUInt8();
  const uint32_t count = ar.ReadUInt32();
  // Each string takes at least its length byte.
  ar.RequireRemaining(count);
  for (uint32_t i = 0; i < count; ++i) {
    std::string path = ar.ReadString();
    if (i < kMaxESigTagPaths) entry.reason.tag_paths.push_back(std::move(path));
  }
  entry.setting = ar.ReadInt32();
  return entry;
}

}  // namespace

void CTAVESigConfiguration::Serialize(CArchive& ar) {
  if (ar.IsStoring()) {
    ar.WriteCount(entries_.size());
    for (const Entry& entry : entries_) StoreEntry(ar, entry);
    return;
  }
  Clear();
  const uint64_t count = ar.ReadCount();
  // Divide: the count may be up to 64 bits.
  if (count > ar.GetFile()->GetRemaining() / kMinArchivedEntryBytes) {
    throw CArchiveException(CArchiveException::kEndOfFile,
                            "e-signature configuration announces more entries than the archive holds");
  }
  for (uint64_t i = 0; i < count; ++i) {
    const Entry entry = LoadEntry(ar);
    SetSetting(entry.reason, entry.setting);
  }
}

}  // namespace tav
