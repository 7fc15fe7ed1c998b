// Audit entries by comparison: CComponent::AuditChanges and the collection
// form that audits child by child (component.h, docs/record-format.md).
#include <functional>
#include <memory>
#include <new>
#include <stdexcept>
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

// Pairs the new version's children with the old version's, as the old
// collection's FindMatchingChild would, for a list (whose FindMatchingChild
// is final).
//
// FindMatchingChild of a list is a linear search, which makes comparing two
// large collections quadratic. Here the old children are detached once, in
// list order, and indexed by a hash of GetMatchKey: each hash has a chain of
// the children in list order. Since IsSameTag implies equal keys, the first
// child of the new child's chain that is not yet taken and passes IsSameTag
// is exactly the child the linear search would find (a child of another key
// that shares the hash fails IsSameTag).
//
// On a large collection nearly every old child is a wait for memory, the
// more so when the new version's order differs. The walk over the new
// children is therefore a software pipeline: a new child's slot is fetched
// first, kAhead steps later its chain's first entry, kAhead steps later the
// candidate child (with the lines after it, where a record read from a file
// keeps its own children), and kAhead steps later the child is compared.
class ListChildMatcher {
 public:
  explicit ListChildMatcher(CListComp& old) : buffers_(Acquire()) {
    try {
      Index(old);
    } catch (...) {
      Release();  // the destructor does not run for a failed constructor
      throw;
    }
  }

  ~ListChildMatcher() { Release(); }
  ListChildMatcher(const ListChildMatcher&) = delete;
  ListChildMatcher& operator=(const ListChildMatcher&) = delete;

  // Calls fn(child, match) for every child of `now` that it does not hide,
  // in order, `match` being its old counterpart (taken from the index) or
  // null.
  template <typename Fn>
  void ForEachPair(const CComponent& now, Fn&& fn) {
    std::vector<CComponent*>& news = buffers_.news;
    news.clear();
    for (POSITION pos = now.GetFirstChildPosition(); pos != nullptr;) {
      CComponent* child = now.GetNextChild(pos);
      if (child != nullptr && !now.IsHiddenChild(*child)) news.push_back(child);
    }
    const size_t n = news.size();
    std::vector<uint32_t>& hashes = buffers_.hashes;
    hashes.resize(n);
    for (size_t i = 0; i < n; ++i) hashes[i] = HashKey(*news[i]);
    for (size_t step = 0; step < n + 3 * kAhead; ++step) {
      if (step < n) __builtin_prefetch(&buffers_.slots[Home(hashes[step])]);
      if (step >= kAhead && step - kAhead < n) FetchChain(hashes[step - kAhead]);
      if (step >= 2 * kAhead && step - 2 * kAhead < n) FetchCandidate(hashes[step - 2 * kAhead]);
      if (step >= 3 * kAhead) {
        const size_t i = step - 3 * kAhead;
        fn(*news[i], Take(*news[i], hashes[i]));
      }
    }
  }

  // The children never taken, in list order.
  template <typename Fn>
  void ForEachLeft(Fn&& fn) {
    for (OldChild& old : buffers_.olds) {
      if (old.child != nullptr) fn(std::move(old.child));
    }
  }

 private:
  // Steps between the stages of the pipeline: each step audits a child, so
  // a fetch has that long to arrive.
  static constexpr size_t kAhead = 16;
  // Lines fetched from a candidate's address on: the object and, for a
  // record read from a file, the first of its own children.
  static constexpr size_t kCandidateLines = 4;
  // A chain's end; a slot whose chain was used up keeps kExhausted, so that
  // it still stands in the probe sequences of other hashes.
  static constexpr uint32_t kExhausted = UINT32_MAX - 1;
  static constexpr uint32_t kNone = UINT32_MAX;  // a free slot
  // Buffers kept per thread up to this many children: fresh megabytes cost
  // a page fault per page on every comparison.
  static constexpr size_t kKeepChildren = size_t{1} << 20;

  struct OldChild {
    std::unique_ptr<CComponent> child;  // null once taken
    uint32_t next;  // the next child of the same hash, in list order
  };
  // 32 bits of the key's hash: keys that share them share a chain, which
  // IsSameTag sorts out.
  struct Slot {
    uint32_t hash = 0;
    uint32_t head = kNone;
  };
  struct Buffers {
    std::vector<OldChild> olds;
    std::vector<Slot> slots;
    std::vector<uint32_t> hashes;  // of the old children, then of the new
    std::vector<CComponent*> news;
    bool busy = false;
  };
  static thread_local Buffers t_buffers;

  // The thread's buffers, or fresh ones for a nested comparison (a child
  // collection compared while its parent's matcher is in use).
  Buffers& Acquire() {
    if (t_buffers.busy) {
      own_ = std::make_unique<Buffers>();
      return *own_;
    }
    t_buffers.busy = true;
    return t_buffers;
  }

  void Release() {
    buffers_.olds.clear();  // children left over by an exception
    buffers_.news.clear();
    if (own_ != nullptr) return;
    if (buffers_.olds.capacity() > kKeepChildren || buffers_.news.capacity() > kKeepChildren) {
      buffers_ = Buffers{};
    }
    buffers_.busy = false;
  }

  // Detaches the old children into the index.
  void Index(CListComp& old) {
    std::vector<OldChild>& olds = buffers_.olds;
    std::vector<uint32_t>& hashes = buffers_.hashes;
    olds.reserve(old.GetChildCount());
    hashes.clear();
    for (POSITION first = old.GetFirstChildPosition(); first != nullptr;
         first = old.GetFirstChildPosition()) {
      std::unique_ptr<CComponent> child = old.RemoveComponent(first);
      if (child == nullptr) break;
      hashes.push_back(HashKey(*child));
      olds.push_back({std::move(child), kExhausted});
    }
    if (olds.size() >= kExhausted) throw std::length_error("collection too large to audit");
    size_t slots = 16;
    while (slots < olds.size() + olds.size() / 2) slots *= 2;
    buffers_.slots.assign(slots, Slot{});
    mask_ = slots - 1;
    // Chains are built from the back so that each runs in list order.
    for (size_t i = olds.size(); i-- > 0;) {
      Slot& slot = Claim(hashes[i]);
      olds[i].next = slot.head;
      slot.head = static_cast<uint32_t>(i);
    }
  }

  static uint32_t HashKey(const CComponent& c) {
    const uint64_t h = std::hash<std::string>{}(c.GetMatchKey());
    return static_cast<uint32_t>(h ^ (h >> 32));
  }

  size_t Home(uint32_t hash) const { return (hash * 0x9e3779b1U) & mask_; }

  // The slot of `hash`, claiming a free one for a new hash (open
  // addressing; the table is at most two thirds full).
  Slot& Claim(uint32_t hash) {
    for (size_t i = Home(hash);; i = (i + 1) & mask_) {
      Slot& slot = buffers_.slots[i];
      if (slot.head == kNone) {
        slot.hash = hash;
        slot.head = kExhausted;  // an empty chain until filled
        return slot;
      }
      if (slot.hash == hash) return slot;
    }
  }

  // The slot of `hash`, or null.
  Slot* Find(uint32_t hash) const {
    for (size_t i = Home(hash);; i = (i + 1) & mask_) {
      Slot& slot = buffers_.slots[i];
      if (slot.head == kNone) return nullptr;
      if (slot.hash == hash) return &slot;
    }
  }

  // Prefetch stages; what they read may be stale by the time the child is
  // taken, which costs a wait, never a wrong match.
  void FetchChain(uint32_t hash) const {
    const Slot* slot = Find(hash);
    if (slot != nullptr && slot->head < kExhausted) __builtin_prefetch(&buffers_.olds[slot->head]);
  }

  void FetchCandidate(uint32_t hash) const {
    const Slot* slot = Find(hash);
    if (slot == nullptr || slot->head >= kExhausted) return;
    const char* p = reinterpret_cast<const char*>(buffers_.olds[slot->head].child.get());
    if (p == nullptr) return;
    for (size_t line = 0; line < kCandidateLines; ++line) __builtin_prefetch(p + 64 * line);
  }

  std::unique_ptr<CComponent> Take(const CComponent& new_child, uint32_t hash) {
    Slot* slot = Find(hash);
    if (slot == nullptr) return nullptr;
    std::vector<OldChild>& olds = buffers_.olds;
    // Taken children at the front of a chain are dropped from it for good.
    while (slot->head < kExhausted && olds[slot->head].child == nullptr) {
      slot->head = olds[slot->head].next;
    }
    for (uint32_t i = slot->head; i < kExhausted; i = olds[i].next) {
      OldChild& old = olds[i];
      if (old.child == nullptr || !old.child->IsSameTag(&new_child)) continue;
      return std::move(old.child);
    }
    return nullptr;
  }

  std::unique_ptr<Buffers> own_;  // declared first: buffers_ may refer to it
  Buffers& buffers_;
  size_t mask_ = 0;
};

thread_local ListChildMatcher::Buffers ListChildMatcher::t_buffers;

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
  const auto audit_pair = [&](CComponent& child, std::unique_ptr<CComponent> match) {
    if (match != nullptr) {
      child.AuditChanges(match, event, path);
      return;
    }
    const bool child_appended = child.AppendToPath(path);
    event->AppendAuditEntry(kAuditAddedRecord, nullptr, path);
    if (child_appended) path->RemoveLast();
  };
  const auto audit_deleted = [&](std::unique_ptr<CComponent> child) {
    if (!IsHiddenChild(*child)) event->AppendAuditEntry(kAuditDeletedRecord, std::move(child), path);
  };

  if (auto* old_list = dynamic_cast<CListComp*>(old.get())) {
    ListChildMatcher matcher(*old_list);
    matcher.ForEachPair(*this, audit_pair);
    // What is left of the old version was deleted.
    matcher.ForEachLeft(audit_deleted);
  } else {
    POSITION pos = GetFirstChildPosition();
    while (pos != nullptr) {
      CComponent* child = GetNextChild(pos);
      if (child == nullptr || IsHiddenChild(*child)) continue;
      POSITION match = nullptr;
      if (old->FindMatchingChild(*child, &match) == nullptr) match = nullptr;
      audit_pair(*child, match != nullptr ? old->RemoveComponent(match) : nullptr);
    }
    for (POSITION first = old->GetFirstChildPosition(); first != nullptr;
         first = old->GetFirstChildPosition()) {
      std::unique_ptr<CComponent> child = old->RemoveComponent(first);
      if (child == nullptr) break;
      audit_deleted(std::move(child));
    }
  }
  if (appended) path->RemoveLast();
}

}  // namespace tav
