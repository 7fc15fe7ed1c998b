#include "audit/event_rows.h"

#include <algorithm>
#include <cstdint>

#include "records/audit_code.h"
#include "records/audit_entry_comp.h"
#include "util/ole_date.h"
#include "util/shown_text.h"
#include "util/strings.h"

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
  // English says "1 event" and "N events"; each language gets the count to
  // choose its own plural form.
  const int count = static_cast<int>(std::min<uint64_t>(report.count, INT32_MAX));
  if (report.ok()) {
    return count == 1 ? TranslateText("tav::SystemAudit", "1 event, chain intact")
                      : TranslateText("tav::SystemAudit", "%n events, chain intact", "", count);
  }
  std::string text = StrFormat(
      (count == 1 ? TranslateText("tav::SystemAudit", "1 event. Chain broken: %s")
                  : TranslateText("tav::SystemAudit", "%n events. Chain broken: %s", "", count))
          .c_str(),
      report.problems.front().text.c_str());
  const int more = static_cast<int>(std::min<size_t>(report.problems.size() - 1, INT32_MAX));
  if (more == 1) text += TranslateText("tav::SystemAudit", " (and 1 more problem)");
  if (more > 1) text += TranslateText("tav::SystemAudit", " (and %n more problems)", "", more);
  return text;
}

std::string ChainUncheckedText(const std::string& error) {
  return StrFormat(
      TranslateText("tav::SystemAudit", "The chain of the event log could not be checked: %s")
          .c_str(),
      error.c_str());
}

}  // namespace tav
