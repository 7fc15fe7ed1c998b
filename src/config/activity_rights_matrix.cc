#include "config/activity_rights_matrix.h"

#include "services/config/group_rights.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"

namespace tav {

CActivityRightsMatrix::CActivityRightsMatrix(const std::vector<int32_t>& activities,
                                             const std::vector<int32_t>& groups) {
  SetActivities(activities);
  SetGroups(groups);
}

void CActivityRightsMatrix::SetActivities(const std::vector<int32_t>& activities) {
  activity_ids_ = activities;
  activity_names_.clear();
  for (int32_t id : activities) activity_names_.push_back(SystemTable::GetActivityName(id));
  grants_.assign(activity_ids_.size() * group_ids_.size(), 0);
}

void CActivityRightsMatrix::SetGroups(const std::vector<int32_t>& groups) {
  group_ids_ = groups;
  group_names_.clear();
  for (int32_t id : groups) group_names_.push_back(SystemTable::GetGroupName(id));
  grants_.assign(activity_ids_.size() * group_ids_.size(), 0);
}

void CActivityRightsMatrix::ClearAll() { grants_.assign(grants_.size(), 0); }

int CActivityRightsMatrix::GroupIndex(int group) const {
  for (size_t i = 0; i < group_ids_.size(); ++i) {
    if (group_ids_[i] == group) return static_cast<int>(i);
  }
  return -1;
}

int CActivityRightsMatrix::ActivityIndex(int activity) const {
  for (size_t i = 0; i < activity_ids_.size(); ++i) {
    if (activity_ids_[i] == activity) return static_cast<int>(i);
  }
  return -1;
}

bool CActivityRightsMatrix::GetGrantAt(int activity_index, int group_index) const {
  return grants_[static_cast<size_t>(group_index) * activity_ids_.size() + activity_index] != 0;
}

void CActivityRightsMatrix::SetGrantAt(int activity_index, int group_index, bool grant) {
  grants_[static_cast<size_t>(group_index) * activity_ids_.size() + activity_index] = grant ? 1 : 0;
}

bool CActivityRightsMatrix::GetGrant(int activity, int group) const {
  const int a = ActivityIndex(activity);
  const int g = GroupIndex(group);
  return a >= 0 && g >= 0 && GetGrantAt(a, g);
}

void CActivityRightsMatrix::SetGrant(int activity, int group, bool grant) {
  const int a = ActivityIndex(activity);
  const int g = GroupIndex(group);
  if (a >= 0 && g >= 0) SetGrantAt(a, g, grant);
}

void CActivityRightsMatrix::FillFrom(const CTAVGroupRightsArray& rights) {
  for (int g = 0; g < group_count(); ++g) {
    for (int a = 0; a < activity_count(); ++a) {
      SetGrantAt(a, g, rights.IsGranted(group_names_[g], activity_ids_[a]));
    }
  }
}

void CActivityRightsMatrix::MergeInto(CTAVGroupRightsArray* rights) const {
  for (int g = 0; g < group_count(); ++g) {
    const std::string& group = group_names_[g];
    if (!rights->HasGroup(group)) rights->AddGroup(group, "");
    for (int a = 0; a < activity_count(); ++a) {
      const bool mine = GetGrantAt(a, g);
      const bool stored = rights->IsGranted(group, activity_ids_[a]);
      if (mine && !stored) {
        rights->Grant(group, activity_ids_[a], activity_names_[a], "");
      } else if (!mine && stored) {
        rights->Revoke(group, activity_ids_[a]);
      }
    }
  }
}

int CActivityRightsMatrix::Read(CSystemConfiguration& config) {
  const int result = config.ReadActivityGroupArray(loaded_);
  read_ = true;
  FillFrom(loaded_);
  return result;
}

int CActivityRightsMatrix::Write(CSystemConfiguration& config) {
  if (!read_) {
    const int read = config.ReadActivityGroupArray(loaded_);
    if (read != 0) return read;
    read_ = true;
  }
  CTAVGroupRightsArray rights = loaded_;
  MergeInto(&rights);
  return config.WriteActivityGroupArray(rights);
}

}  // namespace tav
