// CActivityRightsMatrix: which of the shown user groups may perform which
// of the shown controlled activities, as the group permissions page edits
// it. A grant is a byte per (activity, group) cell; every grant is 0 when
// made.
//
// Write merges: it starts from the rights as Read found them, so that groups
// and activities the matrix does not show keep their stored grants, adds an
// entry for every shown group that has none, and grants or revokes only the
// shown cells that differ. The configuration service then applies just
// those changes to what is stored by then, so that another administrator's
// save in between keeps its changes to other cells.
//
// Threads: one thread at a time. No Qt.
#ifndef TAV_CONFIG_ACTIVITY_RIGHTS_MATRIX_H_
#define TAV_CONFIG_ACTIVITY_RIGHTS_MATRIX_H_

#include <cstdint>
#include <string>
#include <vector>

#include "services/config/group_rights.h"

namespace tav {

class CSystemConfiguration;

class CActivityRightsMatrix {
 public:
  // The activities and groups shown (ids of the configuration service).
  CActivityRightsMatrix(const std::vector<int32_t>& activities,
                        const std::vector<int32_t>& groups);
  virtual ~CActivityRightsMatrix() = default;

  // By ids; get answers false and set does nothing when either id is not
  // in the matrix.
  virtual bool GetGrant(int activity, int group) const;
  virtual void SetGrant(int activity, int group, bool grant);

  // Reads the stored rights; the result of the configuration service. On a
  // failed read every grant is 0.
  virtual int Read(CSystemConfiguration& config);
  // Merges the matrix into the rights read (above); the result of the
  // configuration service. Without an earlier Read it reads first.
  virtual int Write(CSystemConfiguration& config);

  virtual void SetActivities(const std::vector<int32_t>& activities);
  virtual void SetGroups(const std::vector<int32_t>& groups);
  virtual void ClearAll();

  // -1 when absent.
  virtual int GroupIndex(int group) const;
  virtual int ActivityIndex(int activity) const;

  // REQUIRES: indexes inside the matrix.
  virtual bool GetGrantAt(int activity_index, int group_index) const;
  virtual void SetGrantAt(int activity_index, int group_index, bool grant);

  int group_count() const { return static_cast<int>(group_ids_.size()); }
  int activity_count() const { return static_cast<int>(activity_ids_.size()); }
  const std::string& activity_name(int index) const { return activity_names_[index]; }
  const std::string& group_name(int index) const { return group_names_[index]; }
  int activity_id(int index) const { return activity_ids_[index]; }
  int group_id(int index) const { return group_ids_[index]; }

  // The matrix from a rights array (Read without the service) and the
  // merge into one (Write without the service).
  void FillFrom(const CTAVGroupRightsArray& rights);
  void MergeInto(CTAVGroupRightsArray* rights) const;

 private:
  std::vector<std::string> activity_names_;
  std::vector<int32_t> activity_ids_;
  std::vector<std::string> group_names_;
  std::vector<int32_t> group_ids_;
  // The cell of (activity a, group g) is at g * activity count + a.
  std::vector<uint8_t> grants_;
  // The rights as the last Read found them: the base of Write.
  CTAVGroupRightsArray loaded_;
  bool read_ = false;
};

}  // namespace tav

#endif  // TAV_CONFIG_ACTIVITY_RIGHTS_MATRIX_H_
