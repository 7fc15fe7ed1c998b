#include "records/list_comp.h"

#include <limits>

#include "records/property_item.h"
#include "records/tag_registry.h"
#include "util/strings.h"

namespace tav {

namespace {

CComponent* FromPosition(POSITION pos) { return reinterpret_cast<CComponent*>(pos); }
POSITION ToPosition(CComponent* c) { return reinterpret_cast<POSITION>(c); }

}  // namespace

// ---------------------------------------------------------------- collection

void CCollectionComp::AppendProperties(CPropertyItemList& list) const {
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    const CComponent* child = GetNextChild(pos);
    if (child == nullptr || IsHiddenChild(*child)) continue;
    if (!child->IsExpandable()) {
      child->AppendProperties(list);
      continue;
    }
    auto children = std::make_unique<CPropertyItemList>(CPropertyItemList::kMatchByPosition);
    child->AppendProperties(*children);
    std::unique_ptr<CPropertyItem> group;
    if (!child->GetGroupItem(group) || group == nullptr) {
      group = std::make_unique<CPropertyItem>(kPropertyGroup, child->GetName());
      group->SetText(std::string(), kTypeCodePlainText);
    }
    group->SetChildren(std::move(children));
    list.Add(std::move(group));
  }
}

// ---------------------------------------------------------------- list

CListComp::CListComp() { SetBodyLength(2); }
CListComp::CListComp(std::string_view tag) : CCollectionComp(tag) { SetBodyLength(2); }
CListComp::~CListComp() { DestroyChildren(); }

void CListComp::DestroyChildren() {
  CComponent* c = head_;
  while (c != nullptr) {
    CComponent* next = c->next_sibling_;
    delete c;
    c = next;
  }
  head_ = tail_ = nullptr;
  count_ = 0;
}

void CListComp::Reset() {
  DestroyChildren();
  SetBodyLength(2);
}

void CListComp::CopyFrom(const CComponent& other) {
  if (&other == this) return;
  const auto* list = dynamic_cast<const CListComp*>(&other);
  const bool same_kind = list != nullptr && list->GetTag() == GetTag();
  CComponent::CopyFrom(other);
  if (!same_kind) return;
  DestroyChildren();
  for (const CComponent* c = list->head_; c != nullptr; c = c->next_sibling_) {
    std::unique_ptr<CComponent> copy;
    CloneComponent(c, copy);
    if (copy != nullptr) AppendChild(std::move(copy));
  }
  SetBodyLength(list->GetBodyLength());
}

int CListComp::ReadHeader(CFile* file) {
  const int result = CComponent::ReadHeader(file);
  if (result != kRecordOk) return result;
  uint8_t count[2];
  if (file->Read(count, 2) < 2) return kRecordReadError;
  return kRecordOk;
}

void CListComp::AppendChild(std::unique_ptr<CComponent> child) {
  CComponent* c = child.release();
  c->prev_sibling_ = tail_;
  c->next_sibling_ = nullptr;
  if (tail_ != nullptr) {
    tail_->next_sibling_ = c;
  } else {
    head_ = c;
  }
  tail_ = c;
  ++count_;
}

int CListComp::AddComponentImpl(std::unique_ptr<CComponent>& child) {
  if (child == nullptr) return kRecordCorrupt;
  if (count_ >= kMaxListChildren) return kRecordListFull;
  const uint64_t grown = uint64_t{GetBodyLength()} + child->GetComponentSize();
  if (grown > std::numeric_limits<uint32_t>::max()) return kRecordListFull;
  AppendChild(std::move(child));
  SetBodyLength(static_cast<uint32_t>(grown));
  return kRecordOk;
}

std::unique_ptr<CComponent> CListComp::RemoveComponent(POSITION pos) {
  CComponent* c = FromPosition(pos);
  if (c == nullptr) return nullptr;
  if (c->prev_sibling_ != nullptr) {
    c->prev_sibling_->next_sibling_ = c->next_sibling_;
  } else {
    head_ = c->next_sibling_;
  }
  if (c->next_sibling_ != nullptr) {
    c->next_sibling_->prev_sibling_ = c->prev_sibling_;
  } else {
    tail_ = c->prev_sibling_;
  }
  c->prev_sibling_ = c->next_sibling_ = nullptr;
  --count_;
  const uint64_t size = c->GetComponentSize();
  SetBodyLength(GetBodyLength() >= size + 2 ? static_cast<uint32_t>(GetBodyLength() - size) : 2);
  return std::unique_ptr<CComponent>(c);
}

bool CListComp::RemoveFirstChildOfIndex(int tag_index) {
  POSITION pos = nullptr;
  for (CComponent* c = head_; c != nullptr; c = c->next_sibling_) {
    if (c->GetTagIndex() == tag_index) {
      pos = ToPosition(c);
      break;
    }
  }
  if (pos == nullptr) return false;
  RemoveComponent(pos);
  return true;
}

CComponent* CListComp::FindChildByIndex(int tag_index, POSITION& pos) const {
  CComponent* c = pos != nullptr ? FromPosition(pos) : head_;
  for (; c != nullptr; c = c->next_sibling_) {
    if (c->GetTagIndex() == tag_index) {
      pos = ToPosition(c->next_sibling_);
      return c;
    }
  }
  pos = nullptr;
  return nullptr;
}

CComponent* CListComp::FindChildByIndex(int tag_index) const {
  POSITION pos = nullptr;
  return FindChildByIndex(tag_index, pos);
}

void CListComp::RecalcSize() {
  uint64_t length = 2;
  for (const CComponent* c = head_; c != nullptr; c = c->next_sibling_) {
    length += c->GetComponentSize();
  }
  SetBodyLength(static_cast<uint32_t>(std::min<uint64_t>(length, std::numeric_limits<uint32_t>::max())));
}

CComponent* CListComp::FindChild(std::string_view tag) const {
  if (tag.size() != 4) return nullptr;
  const ComponentTag wanted(tag);
  for (CComponent* c = head_; c != nullptr; c = c->next_sibling_) {
    if (c->GetTag() == wanted) return c;
  }
  return nullptr;
}

CComponent* CListComp::FindComponent(std::string_view path) const {
  // Every step of a path names a registered tag: a child kept under an
  // unregistered tag is carried, never found by a path.
  const size_t slash = path.find('\\');
  const std::string_view first = path.substr(0, slash);
  if (LookupTag(first) < 0) return nullptr;
  if (slash == std::string_view::npos) return FindChild(first);
  CComponent* child = FindChild(first);
  return child != nullptr ? child->FindComponent(path.substr(slash + 1)) : nullptr;
}

CComponent* CListComp::FindMatchingChild(const CComponent& child, POSITION* pos) const {
  for (CComponent* c = head_; c != nullptr; c = c->next_sibling_) {
    if (c->IsSameTag(&child)) {
      if (pos != nullptr) *pos = ToPosition(c);
      return c;
    }
  }
  if (pos != nullptr) *pos = nullptr;
  return nullptr;
}

CComponent* CListComp::GetNextChild(POSITION& pos) const {
  CComponent* c = FromPosition(pos);
  pos = c != nullptr ? ToPosition(c->next_sibling_) : nullptr;
  return c;
}

POSITION CListComp::GetFirstChildPosition() const { return ToPosition(head_); }

CComponent* CListComp::GetPrevChild(POSITION& pos) const {
  CComponent* c = FromPosition(pos);
  pos = c != nullptr ? ToPosition(c->prev_sibling_) : nullptr;
  return c;
}

POSITION CListComp::GetLastChildPosition() const { return ToPosition(tail_); }

void CListComp::AppendHeaderProperties(CPropertyItemList& list) const {
  CComponent::AppendHeaderProperties(list);
  list.Add(kPropertyItemCount, "Item Count")->SetUInt16(static_cast<uint16_t>(count_));
  list.Add(kPropertySeparator, "--------------")->SetText(std::string(), kTypeCodePlainText);
}

// ---------------------------------------------------------------- streaming

int CListComp::WriteData(CFile* file) {
  // The count is 16 bits: a list that somehow holds more is not written
  // with a wrapped count.
  if (count_ > kMaxListChildren) return kRecordListFull;
  uint8_t count[2];
  StoreBigEndian16(count, static_cast<uint16_t>(count_));
  file->Write(count, 2);
  return WriteChildren(file);
}

int CListComp::WriteChildren(CFile* file) {
  for (CComponent* c = head_; c != nullptr; c = c->next_sibling_) {
    const int result = c->StreamDataOut(file);
    if (result != kRecordOk) return result;
  }
  return kRecordOk;
}

int CListComp::ReadData(CFile* file) {
  Reset();
  uint8_t count[2];
  if (file->Read(count, 2) < 2) return kRecordReadError;
  return ReadChildren(file, LoadBigEndian16(count));
}

int CListComp::ReadChildren(CFile* file, uint16_t count) {
  for (unsigned i = 0; i < count; ++i) {
    const uint64_t start = file->GetPosition();
    char tag_bytes[4];
    if (file->Read(tag_bytes, 4) < 4) {
      // Older files may end a list early; the list keeps what it has.
      if (ReadIssueCollector::Active()) {
        ReadIssueCollector::Report(
            start, StrFormat("list '%s' ends after %u of its %u children",
                             HexSafeTag(GetTag()).c_str(), i, unsigned{count}));
      }
      break;
    }
    ComponentTag tag;
    std::memcpy(tag.bytes, tag_bytes, 4);
    std::unique_ptr<CComponent> child;
    CreateComponent(tag, child);
    child->SetTag(tag);
    const int result = child->ReadAfterTag(file, start, nullptr);
    if (result != kRecordOk) return result;
    AppendChild(std::move(child));
  }
  return kRecordOk;
}

}  // namespace tav
