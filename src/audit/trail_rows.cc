#include "audit/trail_rows.h"

#include "util/ole_date.h"

namespace tav {
namespace {

std::string OneLine(std::string text) {
  for (char& c : text) {
    if (c == '\n' || c == '\r' || c == '\t') c = ' ';
  }
  return text;
}

std::string EntryTitle(const ConfigTrailEntry& entry) {
  return entry.where.empty() ? entry.what : entry.what + ": " + entry.where;
}

}  // namespace

std::array<std::string, 4> TrailRowTexts(const ConfigTrailEvent& change) {
  std::array<std::string, 4> cells;
  cells[kTrailDateColumn] = FormatOleDate(change.date);
  cells[kTrailUserColumn] = OneLine(change.user);
  std::string what;
  for (const ConfigTrailEntry& entry : change.entries) {
    if (!what.empty()) what += "; ";
    what += EntryTitle(entry);
  }
  cells[kTrailWhatColumn] = OneLine(std::move(what));
  cells[kTrailReasonColumn] = OneLine(change.reason);
  return cells;
}

std::string TrailChangeDetail(const ConfigTrailEvent& change) {
  std::string text = "Change " + std::to_string(change.number) + " on " +
                     FormatOleDate(change.date) + " by " +
                     (change.user.empty() ? std::string("(no user)") : change.user) + "\n";
  text += "Reason for change: " + (change.reason.empty() ? std::string("(none given)") : change.reason) +
          "\n";
  if (!change.entries.empty()) text += "\n" + TrailEntriesText(change);
  return text;
}

std::string TrailEntriesText(const ConfigTrailEvent& change) {
  std::string text;
  for (const ConfigTrailEntry& entry : change.entries) {
    if (!text.empty()) text += "\n";
    text += EntryTitle(entry) + "\n";
    text += entry.description.empty() ? std::string("(no values recorded)\n") : entry.description;
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

}  // namespace tav
