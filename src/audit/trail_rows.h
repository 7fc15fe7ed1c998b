// The rows of the configuration audit trail panel: one row per change of the
// compliance settings (one audit event of the configuration's trail), and
// the full description of a change for the pane below the list. No Qt.
//
// Threads: any; the functions keep no state.
#ifndef TAV_AUDIT_TRAIL_ROWS_H_
#define TAV_AUDIT_TRAIL_ROWS_H_

#include <array>
#include <string>
#include <vector>

#include "services/config/config_trail.h"
#include "util/shown_text.h"

namespace tav {

inline constexpr int kTrailDateColumn = 0;
inline constexpr int kTrailUserColumn = 1;
// The reason before what changed: the latter is long and goes last.
inline constexpr int kTrailReasonColumn = 2;
inline constexpr int kTrailWhatColumn = 3;
inline constexpr std::array<const char*, 4> kTrailColumnHeadings = {
    TAV_TR_NOOP("tav::SystemAudit", "Date & Time"), TAV_TR_NOOP("tav::SystemAudit", "User Login"),
    TAV_TR_NOOP("tav::SystemAudit", "Reason for Change"),
    TAV_TR_NOOP("tav::SystemAudit", "What Changed")};

// Whose words name the settings and their values: the stored form, which
// listings and exports keep, or the configuration dialog's, which the
// viewer shows ("21 CFR Part 11 features: Off -> On").
enum class TrailWording { kStored, kShown };

// The cells of one change: its date and time in the user's locale, the
// user, the reason for change (empty when none was given) and what changed
// ("Changed Record: Access Control Settings > tav-analysts", entries joined
// by "; "). Line breaks inside a cell become spaces, so that a
// row stays one line.
std::array<std::string, 4> TrailRowTexts(const ConfigTrailEvent& change,
                                         TrailWording wording = TrailWording::kStored);

// The kinds of entry a change holds ("Added Record", "Changed Record",
// "Deleted Record"), for the filter's choice.
std::vector<std::string> TrailEntryKinds();

// Everything the trail holds about one change: who, when, why, then each
// entry with what changed where and every old and new value.
std::string TrailChangeDetail(const ConfigTrailEvent& change,
                              TrailWording wording = TrailWording::kStored);
// The entries part of TrailChangeDetail: per entry what changed where, then
// its values, entries separated by an empty line.
std::string TrailEntriesText(const ConfigTrailEvent& change,
                             TrailWording wording = TrailWording::kStored);

}  // namespace tav

#endif  // TAV_AUDIT_TRAIL_ROWS_H_
