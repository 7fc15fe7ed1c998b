#include "services/config/group_rights.h"

#include <algorithm>
#include <utility>

#include "services/config/name_entry_points.h"
#include "util/strings.h"

namespace tav {

bool CTAVGroupRights::Grants(int activity) const {
  return std::any_of(activities.begin(), activities.end(),
                     [activity](const CTAVActivityRight& a) { return a.id == activity; });
}

const CTAVGroupRights* CTAVGroupRightsArray::FindGroup(std::string_view group) const {
  for (const CTAVGroupRights& g : groups_) {
    if (EqualsNoCase(g.name, group)) return &g;
  }
  return nullptr;
}

CTAVGroupRights* CTAVGroupRightsArray::FindGroup(std::string_view group) {
  return const_cast<CTAVGroupRights*>(std::as_const(*this).FindGroup(group));
}

bool CTAVGroupRightsArray::IsGranted(std::string_view group, int activity) const {
  const CTAVGroupRights* g = FindGroup(group);
  return g != nullptr && g->Grants(activity);
}

CTAVGroupRights& CTAVGroupRightsArray::AddGroup(std::string_view group,
                                                 std::string_view description) {
  if (CTAVGroupRights* g = FindGroup(group)) return *g;
  CTAVGroupRights& added = groups_.emplace_back();
  added.name = std::string(group);
  added.description = std::string(description);
  return added;
}

void CTAVGroupRightsArray::Grant(std::string_view group, int activity,
                                 std::string_view activity_name, std::string_view description) {
  CTAVGroupRights& g = AddGroup(group);
  if (g.Grants(activity)) return;
  CTAVActivityRight right;
  right.id = activity;
  right.name = activity_name.empty() ? EntryActivityName(activity) : std::string(activity_name);
  right.description = std::string(description);
  g.activities.push_back(std::move(right));
}

void CTAVGroupRightsArray::Revoke(std::string_view group, int activity) {
  CTAVGroupRights* g = FindGroup(group);
  if (g == nullptr) return;
  std::erase_if(g->activities, [activity](const CTAVActivityRight& a) { return a.id == activity; });
}

bool CTAVGroupRightsArray::operator==(const CTAVGroupRightsArray& other) const {
  if (groups_.size() != other.groups_.size()) return false;
  for (size_t i = 0; i < groups_.size(); ++i) {
    const CTAVGroupRights& a = groups_[i];
    const CTAVGroupRights& b = other.groups_[i];
    if (a.name != b.name || a.description != b.description ||
        a.activities.size() != b.activities.size()) {
      return false;
    }
    for (size_t j = 0; j < a.activities.size(); ++j) {
      const CTAVActivityRight& x = a.activities[j];
      const CTAVActivityRight& y = b.activities[j];
      if (x.id != y.id || x.name != y.name || x.description != y.description) return false;
    }
  }
  return true;
}

}  // namespace tav
