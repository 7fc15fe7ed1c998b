// The event log and the configuration audit trail as tavsec lists them for
// scripts and spreadsheets (`tavsec events list --format csv|json`,
// `tavsec config trail --format csv|json`). Dates are ISO 8601 local time
// ("2026-12-06 10:00:00"), so that the files read the same in every locale;
// rows come oldest first, each with its number in the log. No Qt.
//
// Threads: any; the functions keep no state.
#ifndef TAV_AUDIT_LISTING_H_
#define TAV_AUDIT_LISTING_H_

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "audit/table_export.h"
#include "records/audit_collection_comp.h"
#include "services/config/config_trail.h"
#include "services/filelib/log_writers.h"
#include "util/shown_text.h"

namespace tav {

// "csv" or "json"; false for anything else.
bool ParseTableFormat(std::string_view name, TableFormat* format);

// The numbers of the rows a listing holds (all 0 when it has none).
struct ListingRange {
  uint64_t first = 0;
  uint64_t last = 0;
  uint64_t count = 0;
};
inline constexpr uint64_t kWholeLog = UINT64_MAX;

// The heading of the column that names the workstation (the lab store's
// login role) that stored each row.
inline constexpr char kWorkstationHeading[] = TAV_TR_NOOP("tav::SystemAudit", "Workstation");

// Columns "Number", "Date & Time", "User Login", "Event" (JSON: number,
// date, user, event). The first event is numbered with the list's sequence
// number. Events numbered after `through` are left out. With `writers`, a
// last column "Workstation" (JSON: workstation) names each event's writer,
// empty where none is known.
std::string FormatEventListing(const CAuditCollectionComp& events, TableFormat format,
                               uint64_t through = kWholeLog, ListingRange* range = nullptr,
                               const std::vector<WriterRun>* writers = nullptr);

// Columns "Number", "Date & Time", "User Login", "What Changed", "Reason for
// Change", "Description" (JSON: number, date, user, what, reason,
// description), the description holding every entry's old and new values;
// `writers` as for events.
std::string FormatTrailListing(const std::vector<ConfigTrailEvent>& changes, TableFormat format,
                               uint64_t through = kWholeLog, ListingRange* range = nullptr,
                               const std::vector<WriterRun>* writers = nullptr);

}  // namespace tav

#endif  // TAV_AUDIT_LISTING_H_
