// The configuration audit trail as a person reads it: each audit event with
// its user, time and reason for change, and each entry with what changed,
// where, and the change description of the old and the new version; each
// entry also in the words of the configuration dialog.
//
// An entry stores the old version of a changed record only; the new version
// is the old version of the next change of the same record in the trail,
// or what is stored now.
//
// Thread safety: as CSystemConfiguration.
#ifndef TAV_SERVICES_CONFIG_CONFIG_TRAIL_H_
#define TAV_SERVICES_CONFIG_CONFIG_TRAIL_H_

#include <cstdint>
#include <string>
#include <vector>

#include "services/config/system_configuration.h"
#include "util/ole_date.h"

namespace tav {

struct ConfigTrailEntry {
  std::string what;         // "Changed Record"
  std::string where;        // "Access Control Settings > tav-analysts"
  std::string description;  // lines ending in "\n"; may be empty
  // The same in the words of the configuration dialog, for the viewer
  // (config_trail_text.h).
  std::string shown_where;        // "User Group Permissions > tav-analysts"
  std::string shown_description;  // "21 CFR Part 11 features: Off -> On\n"
};

struct ConfigTrailEvent {
  uint64_t number = 0;  // the event's sequence number in the trail
  DATE date = 0;
  std::string user;
  std::string reason;
  std::vector<ConfigTrailEntry> entries;
};

// False when the trail cannot be read (CSystemConfiguration::
// LastErrorMessage says why).
bool DescribeConfigTrail(CSystemConfiguration& config, std::vector<ConfigTrailEvent>* out);

// A short text for a setting record: a group's or setting's name, an
// activity with its name, a data type, a signature reason; with its value
// when `with_value` (a data type's auditing, a reason's setting).
std::string BriefRecordText(const CComponent& record, bool with_value = true);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_CONFIG_TRAIL_H_
