#include "audit/event_rows.h"

#include "records/audit_code.h"
#include "records/audit_entry_comp.h"
#include "util/ole_date.h"

namespace tav {

std::array<std::string, 3> EventRowTexts(const CAuditEventComp& event) {
  EventRowBuilder builder;
  const std::array<std::string_view, 3> cells = builder.Cells(event);
  return {std::string(cells[0]), std::string(cells[1]), std::string(cells[2])};
}

std::array<std::string_view, 3> EventRowBuilder::Cells(const CAuditEventComp& event) {
  std::array<std::string_view, 3> cells;
  cells[kEventDateColumn] = DateText(event.GetEvent().GetDate());
  cells[kEventUserColumn] = event.GetEvent().GetUserName();
  POSITION pos = event.GetFirstChildPosition();
  if (pos != nullptr) {
    if (const auto* entry = dynamic_cast<const CAuditEntryComp*>(event.GetNextChild(pos))) {
      cells[kEventNameColumn] = CodeName(entry->GetAuditCode());
    }
  }
  return cells;
}

std::string_view EventRowBuilder::DateText(DATE date) { return dates_.Format(date); }

std::string_view EventRowBuilder::CodeName(int32_t code) {
  if (code < -1 || code > kAuditLastNamedCode) {
    other_code_ = GetAuditCodeName(code);
    return other_code_;
  }
  const size_t slot = static_cast<size_t>(code + 1);
  if (!named_[slot]) {
    code_names_[slot] = GetAuditCodeName(code);
    named_[slot] = true;
  }
  return code_names_[slot];
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
