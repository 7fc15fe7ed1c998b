#include "audit/trail_rows.h"

#include "records/audit_code.h"
#include "util/ole_date.h"

namespace tav {
namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  return text;
}

std::string EntryTitle(const ConfigTrailEntry& entry, TrailWording wording) {
  const std::string& where = wording == TrailWording::kShown ? entry.shown_where : entry.where;
  return where.empty() ? entry.what : entry.what + ": " + where;
}

}  // namespace

std::array<std::string, 4> TrailRowTexts(const ConfigTrailEvent& change, TrailWording wording) {
  std::array<std::string, 4> cells;
  cells[kTrailDateColumn] = FormatOleDate(change.date);
  cells[kTrailUserColumn] = OneLine(change.user);
  std::string what;
  for (const ConfigTrailEntry& entry : change.entries) {
    if (!what.empty()) what += "; ";
    what += EntryTitle(entry, wording);
  }
  cells[kTrailWhatColumn] = OneLine(std::move(what));
  cells[kTrailReasonColumn] = OneLine(change.reason);
  return cells;
}

std::vector<std::string> TrailEntryKinds() {
  return {GetAuditCodeName(kAuditAddedRecord), GetAuditCodeName(kAuditChangedRecord),
          GetAuditCodeName(kAuditDeletedRecord)};
}

std::string TrailChangeDetail(const ConfigTrailEvent& change, TrailWording wording) {
  std::string text = "Change " + std::to_string(change.number) + " on " +
                     FormatOleDate(change.date) + " by " +
                     (change.user.empty() ? std::string("(no user)") : change.user) + "\n";
  text += "Reason for change: " + (change.reason.empty() ? std::string("(none given)") : change.reason) +
          "\n";
  if (!change.entries.empty()) text += "\n" + TrailEntriesText(change, wording);
  return text;
}

std::string TrailEntriesText(const ConfigTrailEvent& change, TrailWording wording) {
  std::string text;
  for (const ConfigTrailEntry& entry : change.entries) {
    if (!text.empty()) text += "\n";
    text += EntryTitle(entry, wording) + "\n";
    const std::string& description =
        wording == TrailWording::kShown ? entry.shown_description : entry.description;
    text += description.empty() ? std::string("(no values recorded)\n") : description;
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

}  // namespace tav
