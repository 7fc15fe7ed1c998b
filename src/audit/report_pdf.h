// Lays an audit report (audit/audit_report.h) out on pages: a PDF file
// through QPdfWriter, or a printer through QPrinter (both paged paint
// devices).
//
// Pages are painted as they are laid out and handed to the device at once,
// so a report of a million rows never holds more than one page. "Page N of
// M" needs M on the first page: the layout runs twice, first counting the
// pages without painting, then painting them; both runs take the rows from
// the report's table, which is therefore read twice.
//
// A row is kept on one page when it fits on one; a longer row (a long
// detail) goes on over the next. A text wider than its column is wrapped at
// spaces, and a word wider than the column within the word.
//
// Threads: the GUI thread (a QGuiApplication must exist: fonts need it).
#ifndef TAV_AUDIT_REPORT_PDF_H_
#define TAV_AUDIT_REPORT_PDF_H_

#include <string>

#include "audit/audit_report.h"

class QPagedPaintDevice;

namespace tav {

// Paints `report` on `device` from its first page on. Returns the number
// of pages, or 0 with *error when the device cannot be painted on.
int PaintReport(const AuditReport& report, QPagedPaintDevice* device, std::string* error);

// Writes `report` as a PDF (A4) to `path`, which is replaced only once the
// document is complete. False with *error when it cannot be written.
bool WriteReportPdf(const AuditReport& report, const std::string& path, std::string* error,
                    int* pages = nullptr);

}  // namespace tav

#endif  // TAV_AUDIT_REPORT_PDF_H_
