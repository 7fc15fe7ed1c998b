// The rows of the "Event Log" page and the line under it that tells whether
// the log's hash chain holds. No Qt: the page, the command line and the
// tests share these.
//
// Threads: any; the functions keep no state.
#ifndef TAV_AUDIT_EVENT_ROWS_H_
#define TAV_AUDIT_EVENT_ROWS_H_

#include <array>
#include <string>

#include "records/audit_event_comp.h"
#include "services/filelib/record_chain.h"

namespace tav {

// Columns of the event list, in order.
inline constexpr int kEventDateColumn = 0;
inline constexpr int kEventUserColumn = 1;
inline constexpr int kEventNameColumn = 2;
inline constexpr std::array<const char*, 3> kEventColumnHeadings = {"Date & Time", "User Login",
                                                                    "Event"};

// The cells of one event: its date and time in the user's locale, its user
// login name and the name of its first entry's audit code; the "Event" cell
// is empty for an event without entries.
std::array<std::string, 3> EventRowTexts(const CAuditEventComp& event);

// The line under the list: "3 events, chain intact" when every link holds,
// else the first break ("Chain broken: ...") and how many more there are.
std::string ChainSummaryText(const ChainReport& report);
// The line when the chain could not be checked at all.
std::string ChainUncheckedText(const std::string& error);

}  // namespace tav

#endif  // TAV_AUDIT_EVENT_ROWS_H_
