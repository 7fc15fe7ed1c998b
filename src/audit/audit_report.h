// An audit report: what the System Audit viewer prints and `tavsec events
// report --pdf` / `tavsec config trail --pdf` write, before it is laid out
// on pages (audit/report_pdf.h). No Qt.
//
// The header is repeated on every page: the report's title, labelled lines
// (where it was printed, the store, the filter, the time range, the state of
// the chain and seal, who printed it when) and "Page N of M". Then the rows
// in the list's columns, each row's texts wrapped within its column, and
// under a row its detail when the report has one (the configuration
// trail's full change). The reviews that cover the printed range follow
// the header of the first page.
//
// Stored and exported texts stay in English whatever the user's language:
// a report is a record handed to an inspector.
//
// Threads: any; the functions keep no state.
#ifndef TAV_AUDIT_AUDIT_REPORT_H_
#define TAV_AUDIT_AUDIT_REPORT_H_

#include <functional>
#include <string>
#include <utility>
#include <vector>

#include "audit/table_export.h"

namespace tav {

struct AuditReport {
  std::string title;  // "System Event Log"
  std::vector<std::pair<std::string, std::string>> header;  // label, value
  TableView table;    // the rows as the list shows them
  // The detail under row i; null when the report has none.
  std::function<std::string(size_t row)> detail;
  // One line per review that covers the range; empty: none does.
  std::vector<std::string> reviews;
  // Relative widths of the columns (one per heading; empty: equal).
  std::vector<double> column_weights;
};

// The header lines every report carries, in this order: "Site", "Store",
// "Filter", "Time range", "Integrity", "Printed by".
struct ReportContext {
  std::string machine;     // the host name
  std::string store;       // the store's identity
  std::string filter;      // AuditFilter::Describe()
  std::string time_range;  // first and last date of the rows
  std::string integrity;   // the chain's state and the seal's
  std::string printed_by;  // the user
  std::string printed_at;  // local date and time
};
std::vector<std::pair<std::string, std::string>> ReportHeaderLines(const ReportContext& context);

// The machine's host name ("" when it cannot be read).
std::string MachineName();

}  // namespace tav

#endif  // TAV_AUDIT_AUDIT_REPORT_H_
