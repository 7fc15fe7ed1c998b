// The system event log of the data directory in use, as a test compares it.
#ifndef TAV_TESTS_TESTING_EVENT_LINES_H_
#define TAV_TESTS_TESTING_EVENT_LINES_H_

#include <string>
#include <vector>

#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/filelib/system_event_manager.h"

namespace tav::testing {

// The events as "alice, Failed Login" lines (no time), oldest first.
inline std::vector<std::string> EventLines() {
  std::vector<std::string> lines;
  CSystemEventManager log;
  CAuditCollectionComp* list = log.LoadEventList();
  if (list == nullptr) return lines;
  for (POSITION pos = list->GetFirstChildPosition(); pos != nullptr;) {
    auto* event = dynamic_cast<CAuditEventComp*>(list->GetNextChild(pos));
    if (event == nullptr) continue;
    const std::string summary = CSystemEventManager::SummarizeEvent(*event);
    lines.push_back(summary.substr(summary.find(", ") + 2));
  }
  return lines;
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_EVENT_LINES_H_
