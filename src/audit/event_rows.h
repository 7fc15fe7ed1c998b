// The rows of the "Event Log" page and the line under it that tells whether
// the log's hash chain holds. No Qt: the page, the command line and the
// tests share these.
//
// Threads: any; the functions keep no state.
#ifndef TAV_AUDIT_EVENT_ROWS_H_
#define TAV_AUDIT_EVENT_ROWS_H_

#include <array>
#include <string>
#include <string_view>
#include <vector>

#include "records/audit_event_comp.h"
#include "services/filelib/record_chain.h"
#include "util/ole_date.h"
#include "util/shown_text.h"

namespace tav {

// Columns of the event list, in order.
inline constexpr int kEventDateColumn = 0;
inline constexpr int kEventUserColumn = 1;
inline constexpr int kEventNameColumn = 2;
inline constexpr std::array<const char*, 3> kEventColumnHeadings = {
    TAV_TR_NOOP("tav::SystemAudit", "Date & Time"), TAV_TR_NOOP("tav::SystemAudit", "User Login"),
    TAV_TR_NOOP("tav::SystemAudit", "Event")};

// The cells of one event: its date and time in the user's locale, its user
// login name and the name of its first entry's audit code; the "Event" cell
// is empty for an event without entries.
std::array<std::string, 3> EventRowTexts(const CAuditEventComp& event);

// The same cells for a list of a million events: the texts are built into
// buffers that the builder keeps, and the code names, the texts of each day
// and of each time of day are made once each (formatting a date is most of
// the cost of a row). The views returned stay valid until the next call.
// Use a builder for one fill: it does not notice a change of locale.
class EventRowBuilder {
 public:
  std::array<std::string_view, 3> Cells(const CAuditEventComp& event);
  // FormatOleDate(date), from the caches where it can.
  std::string_view DateText(DATE date);

 private:
  std::string_view CodeName(int32_t code);

  OleDateTextCache dates_;
  // Codes -1..kAuditLastNamedCode, made on first use.
  std::array<std::string, kAuditLastNamedCode + 2> code_names_;
  std::array<bool, kAuditLastNamedCode + 2> named_{};
  std::string other_code_;
};

// The line while the chain is being checked.
inline constexpr char kChainCheckingText[] =
    TAV_TR_NOOP("tav::SystemAudit", "Checking the chain of the event log...");

// The line under the list: "3 events, chain intact" when every link holds,
// else the first break ("Chain broken: ...") and how many more there are.
std::string ChainSummaryText(const ChainReport& report);
// The line when the chain could not be checked at all.
std::string ChainUncheckedText(const std::string& error);

}  // namespace tav

#endif  // TAV_AUDIT_EVENT_ROWS_H_
