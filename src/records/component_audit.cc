// Audit entries by comparison: CComponent::AuditChanges and the collection
// form that audits child by child (component.h, docs/record-format.md).
#include <new>
#include <string>
#include <unordered_map>
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
// final) the old children are indexed once by GetMatchKey, in list order;
// since IsSameTag implies equal keys, the first child of the new child's
// bucket that is still attached and passes IsSameTag is exactly the child
// the linear search would find. Any other collection is asked directly.
class OldChildMatcher {
 public:
  explicit OldChildMatcher(CComponent& old) : old_(old) {
    if (dynamic_cast<CListComp*>(&old) == nullptr) return;
    indexed_ = true;
    POSITION pos = old.GetFirstChildPosition();
    while (pos != nullptr) {
      const POSITION here = pos;
      CComponent* child = old.GetNextChild(pos);
      if (child != nullptr) buckets_[child->GetMatchKey()].items.push_back({child, here, false});
    }
  }

  std::unique_ptr<CComponent> TakeMatch(const CComponent& new_child) {
    if (!indexed_) {
      POSITION pos = nullptr;
      if (old_.FindMatchingChild(new_child, &pos) == nullptr || pos == nullptr) return nullptr;
      return old_.RemoveComponent(pos);
    }
    const auto it = buckets_.find(new_child.GetMatchKey());
    if (it == buckets_.end()) return nullptr;
    Bucket& bucket = it->second;
    while (bucket.head < bucket.items.size() && bucket.items[bucket.head].taken) ++bucket.head;
    for (size_t i = bucket.head; i < bucket.items.size(); ++i) {
      Item& item = bucket.items[i];
      if (item.taken || !item.child->IsSameTag(&new_child)) continue;
      item.taken = true;
      return old_.RemoveComponent(item.pos);
    }
    return nullptr;
  }

 private:
  struct Item {
    CComponent* child;
    POSITION pos;
    bool taken;
  };
  struct Bucket {
    std::vector<Item> items;
    size_t head = 0;  // items before it are all taken
  };

  CComponent& old_;
  bool indexed_ = false;
  std::unordered_map<std::string, Bucket> buckets_;
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

bool CComponent::HasSameContent(CComponent* other) {
  if (other == nullptr || !(other->GetTag() == GetTag())) return false;
  try {
    CMemFile mine(1024);
    CMemFile theirs(1024);
    if (StreamBodyOut(&mine) != kRecordOk || other->StreamBodyOut(&theirs) != kRecordOk) {
      return false;
    }
    return mine.view() == theirs.view();
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
