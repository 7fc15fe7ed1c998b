// The identifier arrays that the pages of the compliance configuration
// dialog use for their rows and columns: the activities (0 to 13) and the
// rights groups (0 to 3) of the group permissions page, the data types (in
// the order 0, 5, 1, 2, 3, 4) and the recording types (0 to 3) of the
// auditing page.
//
// They are built while the library loads and released with
// TAVSecurityUI_Config21cfr11ArrayCleanup and at unload. A page that asks
// for them after a release gets them built again, so that a host calling the
// cleanup too early gets a working dialog rather than an empty one.
//
// Threads: the thread that calls the library.
#ifndef TAV_UI_CONFIG_PAGE_IDS_H_
#define TAV_UI_CONFIG_PAGE_IDS_H_

#include <cstdint>
#include <vector>

namespace tav {

struct ConfigPageIds {
  std::vector<int32_t> activities;       // group permissions page: rows
  std::vector<int32_t> groups;           // group permissions page: columns
  std::vector<int32_t> data_types;       // auditing page: rows
  std::vector<int32_t> recording_types;  // auditing page: choices
};

// Builds the arrays when they are not there.
void BuildConfigPageIds();
// The arrays, built first when needed. The reference stays valid until the
// next ReleaseConfigPageIds.
const ConfigPageIds& GetConfigPageIds();
// Destroys the arrays; nothing happens when they are not there.
void ReleaseConfigPageIds();
bool ConfigPageIdsBuilt();

}  // namespace tav

#endif  // TAV_UI_CONFIG_PAGE_IDS_H_
