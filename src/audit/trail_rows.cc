#include "audit/trail_rows.h"

#include "records/audit_code.h"
#include "util/ole_date.h"
#include "util/shown_text.h"
#include "util/strings.h"

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
  // The viewer's words, in the user's language; a stored wording stays English.
  auto words = [wording](const char* source) {
    return wording == TrailWording::kShown ? TranslateText("tav::SystemAudit", source)
                                           : std::string(source);
  };
  const std::string user =
      change.user.empty() ? words(TAV_TR_NOOP("tav::SystemAudit", "(no user)")) : change.user;
  std::string text =
      StrFormat(words(TAV_TR_NOOP("tav::SystemAudit", "Change %s on %s by %s")).c_str(),
                std::to_string(change.number).c_str(), FormatOleDate(change.date).c_str(),
                user.c_str()) +
      "\n";
  text += StrFormat(words(TAV_TR_NOOP("tav::SystemAudit", "Reason for change: %s")).c_str(),
                    (change.reason.empty() ? words(TAV_TR_NOOP("tav::SystemAudit", "(none given)"))
                                           : change.reason)
                        .c_str()) +
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
    text += description.empty() ? (wording == TrailWording::kShown
                                       ? TranslateText("tav::SystemAudit", "(no values recorded)")
                                       : std::string("(no values recorded)")) +
                                      "\n"
                                : description;
    if (text.back() != '\n') text += '\n';
  }
  return text;
}

}  // namespace tav
