#include "services/config/settings_merge.h"

#include <map>
#include <string>
#include <vector>

#include "services/config/settings_records.h"

namespace tav {

namespace {

struct Keyed {
  std::map<std::string, CComponent*> by_key;
  std::vector<std::pair<std::string, CComponent*>> in_order;
  bool unique = true;
};

Keyed Index(CComponent* list) {
  Keyed keyed;
  POSITION pos = list->GetFirstChildPosition();
  while (pos != nullptr) {
    CComponent* child = list->GetNextChild(pos);
    std::string key = child->GetMatchKey();
    if (!keyed.by_key.emplace(key, child).second) keyed.unique = false;
    keyed.in_order.emplace_back(std::move(key), child);
  }
  return keyed;
}

CComponent* Lookup(const Keyed& keyed, const std::string& key) {
  auto it = keyed.by_key.find(key);
  return it == keyed.by_key.end() ? nullptr : it->second;
}

bool MergesByChildren(CComponent* a, CComponent* b, CComponent* c) {
  return a->AuditsChildren() && b->AuditsChildren() && c->AuditsChildren() &&
         a->GetTag() == b->GetTag() && b->GetTag() == c->GetTag();
}

}  // namespace

std::unique_ptr<CComponent> MergeChanges(CComponent* base, CComponent* mine, CComponent* current) {
  if (base == nullptr) return CloneRecord(*mine);
  if (mine->HasSameContent(base)) return CloneRecord(*current);
  if (current->HasSameContent(base) || !MergesByChildren(base, mine, current)) {
    return CloneRecord(*mine);
  }
  Keyed b = Index(base), m = Index(mine), c = Index(current);
  // Children that cannot be told apart cannot be merged one by one.
  if (!b.unique || !m.unique || !c.unique) return CloneRecord(*mine);

  // The merged list: `current`'s own fields with the merged children.
  std::unique_ptr<CComponent> out = CloneRecord(*current);
  while (out->GetFirstChildPosition() != nullptr) {
    out->RemoveComponent(out->GetFirstChildPosition());
  }
  auto add = [&out](std::unique_ptr<CComponent> child) {
    // AddComponent refuses only a full list, which the inputs were not.
    out->AddComponent(std::move(child));
  };

  for (const auto& [key, cur] : c.in_order) {
    CComponent* old = Lookup(b, key);
    CComponent* own = Lookup(m, key);
    if (own == nullptr) {
      // Kept unless the writer removed it (it was in the base).
      if (old == nullptr) add(CloneRecord(*cur));
    } else if (old == nullptr) {
      add(CloneRecord(*own));  // both added it: the later write wins
    } else {
      add(MergeChanges(old, own, cur));
    }
  }
  for (const auto& [key, own] : m.in_order) {
    if (Lookup(c, key) != nullptr) continue;
    CComponent* old = Lookup(b, key);
    // Added by the writer; or removed by the other process and changed by
    // the writer. One the writer left as it was stays removed.
    if (old == nullptr || !own->HasSameContent(old)) add(CloneRecord(*own));
  }
  return out;
}

}  // namespace tav
