// Audit entries by comparison: CComponent::AuditChanges and the collection
// form that audits child by child (component.h, docs/record-format.md).
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "records/audit_code.h"
#include "records/audit_event_comp.h"
#include "records/component.h"
#include "records/component_path_comp.h"
#include "records/list_comp.h"
#include "records/tag_registry.h"

namespace tav {

namespace {

// Finds, for each new child, the old child that the old collection's
// FindMatchingChild would find, and detaches it.
//
// FindMatchingChild of a list is a linear search, which makes comparing two
// large collections quadratic. For a list (whose FindMatchingChild is
// final) the old children are indexed once by a hash of GetMatchKey: each
// hash has a chain of the children in list order. Since IsSameTag implies
// equal keys, the first child of the new child's chain that is still
// attached and passes IsSameTag is exactly the child the linear search
// would find (a child of another key that shares the hash fails
// IsSameTag). Any other collection is asked directly.
class OldChildMatcher {
 public:
  explicit OldChildMatcher(CComponent& old) : old_(old) {
    auto* list = dynamic_cast<CListComp*>(&old);
    if (list == nullptr) return;
    indexed_ = true;
    items_.reserve(list->GetChildCount());
    std::vector<uint32_t> hashes;
    hashes.reserve(list->GetChildCount());
    POSITION pos = old.GetFirstChildPosition();
    while (pos != nullptr) {
      const POSITION here = pos;
      CComponent* child = old.GetNextChild(pos);
      if (child == nullptr) continue;
      items_.push_back({child, here, kNone, false});
      hashes.push_back(HashKey(*child));
    }
    size_t slots = 16;
    while (slots < items_.size() + items_.size() / 2) slots *= 2;
    slots_.assign(slots, Slot{});
    mask_ = slots - 1;
    // Chains are built from the back so that each runs in list order.
    for (size_t i = items_.size(); i-- > 0;) {
      Slot& slot = Claim(hashes[i]);
      items_[i].next = slot.head;
      slot.head = static_cast<uint32_t>(i);
    }
  }

  std::unique_ptr<CComponent> TakeMatch(const CComponent& new_child) {
    if (!indexed_) {
      POSITION pos = nullptr;
      if (old_.FindMatchingChild(new_child, &pos) == nullptr || pos == nullptr) return nullptr;
      return old_.RemoveComponent(pos);
    }
    Slot* slot = Find(HashKey(new_child));
    if (slot == nullptr) return nullptr;
    // Taken children at the front of a chain are dropped from it for good.
    while (slot->head < kExhausted && items_[slot->head].taken) slot->head = items_[slot->head].next;
    for (uint32_t i = slot->head; i < kExhausted; i = items_[i].next) {
      Item& item = items_[i];
      if (item.taken || !item.child->IsSameTag(&new_child)) continue;
      item.taken = true;
      return old_.RemoveComponent(item.pos);
    }
    return nullptr;
  }

 private:
  // A chain's end; a slot whose chain was used up keeps kExhausted, so that
  // it still stands in the probe sequences of other hashes.
  static constexpr uint32_t kExhausted = UINT32_MAX - 1;
  static constexpr uint32_t kNone = UINT32_MAX;  // a free slot

  struct Item {
    CComponent* child;
    POSITION pos;
    uint32_t next;  // the next child of the same hash, in list order
    bool taken;
  };
  // 32 bits of the key's hash: keys that share them share a chain, which
  // IsSameTag sorts out.
  struct Slot {
    uint32_t hash = 0;
    uint32_t head = kNone;
  };

  static uint32_t HashKey(const CComponent& c) {
    const uint64_t h = std::hash<std::string>{}(c.GetMatchKey());
    return static_cast<uint32_t>(h ^ (h >> 32));
  }

  // The slot of `hash`, claiming a free one for a new hash (open
  // addressing; the table is at most two thirds full).
  Slot& Claim(uint32_t hash) {
    for (size_t i = (hash * 0x9e3779b1U) & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.head == kNone) {
        slot.hash = hash;
        slot.head = kExhausted;  // an empty chain until filled
        return slot;
      }
      if (slot.hash == hash) return slot;
    }
  }

  // The slot of `hash`, or null.
  Slot* Find(uint32_t hash) {
    for (size_t i = (hash * 0x9e3779b1U) & mask_;; i = (i + 1) & mask_) {
      Slot& slot = slots_[i];
      if (slot.head == kNone) return nullptr;
      if (slot.hash == hash) return &slot;
    }
  }

  CComponent& old_;
  bool indexed_ = false;
  std::vector<Item> items_;
  std::vector<Slot> slots_;
  size_t mask_ = 0;
};

}  // namespace

std::string CComponent::GetMatchKey() const { return GetTagString(); }

bool CComponent::AppendToPath(CComponentPathComp* path) const {
  if (path == nullptr) return false;
  std::unique_ptr<CComponent> element;
  // An unregistered tag still gets its element (a raw component), so the
  // path keeps one element per level.
  CreateComponent(GetTag(), element);
  return path->AddComponent(std::move(element)) == kRecordOk;
}

namespace {

// Comparing a large collection compares every child's body: the two memory
// files are kept per thread instead of being allocated for each pair. A
// nested use (a body writer that compares) gets files of its own.
class ContentScratch {
 public:
  ContentScratch() {
    Files& files = t_files;
    if (!files.busy) {
      files.busy = true;
      held_ = &files;
      if (files.mine == nullptr) {
        files.mine = std::make_unique<CMemFile>(1024);
        files.theirs = std::make_unique<CMemFile>(1024);
      }
      mine_ = files.mine.get();
      theirs_ = files.theirs.get();
    } else {
      own_mine_ = std::make_unique<CMemFile>(1024);
      own_theirs_ = std::make_unique<CMemFile>(1024);
      mine_ = own_mine_.get();
      theirs_ = own_theirs_.get();
    }
    mine_->SetLength(0);
    theirs_->SetLength(0);
  }
  ~ContentScratch() {
    if (held_ == nullptr) return;
    // Keep what repeated comparisons of large collections need, not what
    // one huge body needed.
    if (held_->mine->size() + held_->theirs->size() > kKeepBytes) {
      held_->mine.reset();
      held_->theirs.reset();
    }
    held_->busy = false;
  }
  ContentScratch(const ContentScratch&) = delete;
  ContentScratch& operator=(const ContentScratch&) = delete;

  CMemFile* mine() const { return mine_; }
  CMemFile* theirs() const { return theirs_; }

 private:
  static constexpr size_t kKeepBytes = size_t{16} << 20;
  struct Files {
    std::unique_ptr<CMemFile> mine, theirs;
    bool busy = false;
  };
  static thread_local Files t_files;

  Files* held_ = nullptr;
  std::unique_ptr<CMemFile> own_mine_, own_theirs_;
  CMemFile* mine_;
  CMemFile* theirs_;
};

thread_local ContentScratch::Files ContentScratch::t_files;

}  // namespace

bool CComponent::HasSameContent(CComponent* other) {
  if (other == nullptr || !(other->GetTag() == GetTag())) return false;
  try {
    ContentScratch scratch;
    if (StreamBodyOut(scratch.mine()) != kRecordOk ||
        other->StreamBodyOut(scratch.theirs()) != kRecordOk) {
      return false;
    }
    return scratch.mine()->view() == scratch.theirs()->view();
  } catch (const CFileException&) {
    return false;
  } catch (const std::bad_alloc&) {
    return false;
  }
}

void CComponent::AuditChanges(std::unique_ptr<CComponent>& old_version, CAuditEventComp* event,
                              CComponentPathComp* path) {
  std::unique_ptr<CComponent> old = std::move(old_version);
  if (event == nullptr || HasSameContent(old.get())) return;
  CComponentPathComp top;
  event->AppendAuditEntry(kAuditChangedRecord, std::move(old), path != nullptr ? path : &top);
}

void CCollectionComp::AuditChanges(std::unique_ptr<CComponent>& old_version,
                                   CAuditEventComp* event, CComponentPathComp* path) {
  if (old_version == nullptr || !old_version->AuditsChildren()) {
    CComponent::AuditChanges(old_version, event, path);
    return;
  }
  std::unique_ptr<CComponent> old = std::move(old_version);
  if (event == nullptr || HasSameContent(old.get())) return;

  CComponentPathComp top;
  if (path == nullptr) path = &top;
  const bool appended = AppendToPath(path);
  // Entries go straight to `event`: nothing else appends to it meanwhile,
  // so the order is that of collecting them in a separate event first.
  OldChildMatcher matcher(*old);
  POSITION pos = GetFirstChildPosition();
  while (pos != nullptr) {
    CComponent* child = GetNextChild(pos);
    if (child == nullptr || IsHiddenChild(*child)) continue;
    std::unique_ptr<CComponent> match = matcher.TakeMatch(*child);
    if (match != nullptr) {
      child->AuditChanges(match, event, path);
    } else {
      const bool child_appended = child->AppendToPath(path);
      event->AppendAuditEntry(kAuditAddedRecord, nullptr, path);
      if (child_appended) path->RemoveLast();
    }
  }
  // What is left of the old version was deleted.
  for (POSITION first = old->GetFirstChildPosition(); first != nullptr;
       first = old->GetFirstChildPosition()) {
    std::unique_ptr<CComponent> child = old->RemoveComponent(first);
    if (child == nullptr) break;
    if (!IsHiddenChild(*child)) event->AppendAuditEntry(kAuditDeletedRecord, std::move(child), path);
  }
  if (appended) path->RemoveLast();
}

}  // namespace tav
