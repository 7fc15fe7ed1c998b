// CTAVGroupRightsArray: which controlled activities each user group may
// perform, as the configuration service reads and writes it.
//
// Groups are named by account group name (SystemTable::GetGroupName) and
// compared without regard to ASCII case. Each group holds its granted
// activities in the order they were granted; an activity entry carries the
// activity's id, name and a description. An empty activity name is filled
// from the naming entry point SystemTable_ActivityName (empty when the naming
// library is missing).
//
// Thread safety: a plain value, one thread at a time.
#ifndef TAV_SERVICES_CONFIG_GROUP_RIGHTS_H_
#define TAV_SERVICES_CONFIG_GROUP_RIGHTS_H_

#include <string>
#include <string_view>
#include <vector>

namespace tav {

struct CTAVActivityRight {
  int id = 0;
  std::string name;
  std::string description;
};

struct CTAVGroupRights {
  std::string name;
  std::string description;
  std::vector<CTAVActivityRight> activities;

  bool Grants(int activity) const;
};

class CTAVGroupRightsArray {
 public:
  bool HasGroup(std::string_view group) const { return FindGroup(group) != nullptr; }
  // False when the group is absent.
  bool IsGranted(std::string_view group, int activity) const;

  // Adds a group with an empty description unless one of that name exists;
  // returns the group.
  CTAVGroupRights& AddGroup(std::string_view group, std::string_view description = {});
  // Adds the group when absent, then the activity entry unless the group
  // holds that id already (an existing entry is left as it is).
  void Grant(std::string_view group, int activity, std::string_view activity_name = {},
             std::string_view description = {});
  // Removes the activity entry when present.
  void Revoke(std::string_view group, int activity);
  void RemoveAll() { groups_.clear(); }

  const CTAVGroupRights* FindGroup(std::string_view group) const;
  CTAVGroupRights* FindGroup(std::string_view group);
  const std::vector<CTAVGroupRights>& groups() const { return groups_; }
  size_t GetSize() const { return groups_.size(); }

  bool operator==(const CTAVGroupRightsArray& other) const;

 private:
  std::vector<CTAVGroupRights> groups_;
};

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_GROUP_RIGHTS_H_
