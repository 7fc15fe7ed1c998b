// The configuration audit trail in the words of the configuration dialog,
// for the System Audit viewer: the stored entries name records by their
// kinds and hold raw values ("21CFREnabledFlag [From] 0 [To] 1"); an
// administrator reads "21 CFR Part 11 features: Off -> On".
//
// Only the viewer shows these texts. The stored records never change, and
// the listings that scripts read (`tavsec config trail`, the CSV and JSON
// forms) keep the stored form.
//
// Thread safety: functions of their arguments (and the name tables).
#ifndef TAV_SERVICES_CONFIG_CONFIG_TRAIL_TEXT_H_
#define TAV_SERVICES_CONFIG_CONFIG_TRAIL_TEXT_H_

#include <string>
#include <vector>

#include "records/component.h"
#include "records/audit_code.h"

namespace tav {

struct ShownTrailEntry {
  std::string where;        // "User Group Permissions > tav-analysts > Manage Run List"
  std::string description;  // "name: old -> new" lines ending in "\n"; may be empty
};

// One entry of the trail. `path` holds the entry's path elements (outermost
// first), `record` the entry's record (the old version of a changed or
// deleted record, the new one of an added record; may be null), and
// `new_version` what replaced a changed record (null when unknown). A
// record of a kind the dialog does not show keeps its stored name, and a
// change of it its stored description, `stored_description`.
ShownTrailEntry ShowTrailEntry(AUDITCODE code, const std::vector<const CComponent*>& path,
                               const CComponent* record, const CComponent* new_version,
                               const std::string& stored_description);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_CONFIG_TRAIL_TEXT_H_
