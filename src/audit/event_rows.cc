#include "audit/event_rows.h"

#include "records/audit_code.h"
#include "records/audit_entry_comp.h"
#include "util/ole_date.h"

namespace tav {

std::array<std::string, 3> EventRowTexts(const CAuditEventComp& event) {
  std::array<std::string, 3> cells;
  cells[kEventDateColumn] = FormatOleDate(event.GetEvent().GetDate());
  cells[kEventUserColumn] = event.GetEvent().GetUserName();
  POSITION pos = event.GetFirstChildPosition();
  if (pos != nullptr) {
    if (const auto* entry = dynamic_cast<const CAuditEntryComp*>(event.GetNextChild(pos))) {
      cells[kEventNameColumn] = GetAuditCodeName(entry->GetAuditCode());
    }
  }
  return cells;
}

std::string ChainSummaryText(const ChainReport& report) {
  const std::string count =
      std::to_string(report.count) + (report.count == 1 ? " event" : " events");
  if (report.ok()) return count + ", chain intact";
  std::string text = count + ". Chain broken: " + report.problems.front().text;
  const size_t more = report.problems.size() - 1;
  if (more != 0) {
    text += " (and " + std::to_string(more) + (more == 1 ? " more problem)" : " more problems)");
  }
  return text;
}

std::string ChainUncheckedText(const std::string& error) {
  return "The chain of the event log could not be checked: " + error;
}

}  // namespace tav
