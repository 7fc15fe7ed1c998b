// The reports of the two logs as `tavsec events report --pdf` and `tavsec
// config trail --pdf` make them: the rows the viewer's list shows with the
// same filter, in its first order (newest first), in its columns and
// words, so that the command line and the viewer hand over the same
// document. No Qt.
//
// Threads: any. The reports point into the records and changes they were
// made from: those must outlive them.
#ifndef TAV_AUDIT_EVENT_REPORT_H_
#define TAV_AUDIT_EVENT_REPORT_H_

#include <memory>
#include <string>
#include <vector>

#include "audit/audit_filter.h"
#include "audit/audit_report.h"
#include "records/audit_collection_comp.h"
#include "services/config/config_trail.h"
#include "services/filelib/audit_review.h"

namespace tav {

inline constexpr char kEventReportTitle[] = "System Event Log";
inline constexpr char kTrailReportTitle[] = "Configuration Audit Trail";

// The report's store line: where the store lies and whether this process
// reaches it through the compliance service.
std::string StoreIdentityText();

// "2026-12-06 09:00:00 to 2026-12-06 11:00:00" for the dates of the rows;
// "(no records)" without any.
std::string TimeRangeText(const std::vector<DATE>& dates);

// A report that owns what its table reads.
struct OwnedReport {
  AuditReport report;
  std::shared_ptr<void> rows;  // what report.table and report.detail read
};

// The events of `events` that `filter` keeps, newest first (events of one
// second: the one logged last first), with the reviews among them that
// cover any event printed.
OwnedReport MakeEventReport(const CAuditCollectionComp& events, const AuditFilter& filter,
                            ReportContext context);

// The changes that `filter` keeps, newest first, each with its entries
// under it, and the reviews of the trail (found in the system event log)
// that meet them; "only unreviewed" asks `reviews` too.
OwnedReport MakeTrailReport(const std::vector<ConfigTrailEvent>& changes,
                            const std::vector<RecordedReview>& reviews, const AuditFilter& filter,
                            ReportContext context);

// Relative column widths: the event log's ("Date & Time", "User Login",
// "Event", and "Workstation" when there are four) and the trail's.
std::vector<double> EventColumnWeights(size_t columns);
std::vector<double> TrailColumnWeights();

}  // namespace tav

#endif  // TAV_AUDIT_EVENT_REPORT_H_
