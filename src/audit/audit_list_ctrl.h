// CAuditListCtrl: the sortable list of the System Audit viewer's pages. A
// CSortListCtrl that says "There are no items to show in this view." when it
// has no rows, and whose context menu copies the selected rows as text and
// exports the shown rows, in their sorted order, to a CSV file; the list
// of a log also exports that log's signed listing (audit/signed_export.h).
//
// Threads: the GUI thread. Ownership: a Qt widget.
#ifndef TAV_AUDIT_AUDIT_LIST_CTRL_H_
#define TAV_AUDIT_AUDIT_LIST_CTRL_H_

#include <QString>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "audit/audit_report.h"
#include "audit/signed_export.h"
#include "audit/table_export.h"
#include "controls/sort_list_ctrl.h"
#include "util/shown_text.h"

namespace tav {

inline constexpr char kCopyRowsText[] = TAV_TR_NOOP("tav::SystemAudit", "&Copy");
inline constexpr char kExportCsvText[] = TAV_TR_NOOP("tav::SystemAudit", "&Export to CSV...");
inline constexpr char kExportSignedText[] =
    TAV_TR_NOOP("tav::SystemAudit", "Export &Signed Listing...");

// The header facts of a report the viewer prints now: this machine, the
// store, and the logged-on user (with the system user) as the printer.
ReportContext ViewerReportContext();

class CAuditListCtrl : public CSortListCtrl {
  Q_OBJECT

 public:
  // Asks where to save; an empty answer cancels. Tests replace it.
  using SaveFileChooser = std::function<QString(QWidget* parent)>;

  explicit CAuditListCtrl(QWidget* parent = nullptr);
  ~CAuditListCtrl() override;

  // The shown rows under the column headings.
  TableView View() const;
  // The selected rows as tab-separated lines, to the clipboard.
  void CopySelectedRows();
  // The shown rows as CSV to `path`; false (with *error) when the file
  // cannot be written, the old file then being untouched.
  bool ExportCsv(const std::string& path, std::string* error) const;
  // Asks for a file and exports; a failure is shown in a message box.
  void ExportCsvAsk();

  // Offers the signed listing of `log` in the context menu.
  void SetSignedLog(ExportedLog log) { signed_log_ = log; }
  // Writes the signed listing of the list's log to `path` (and path.sig);
  // false with *message when nothing was written, true with a warning in
  // *message when the listing is not signed or not time-stamped.
  bool ExportSigned(const std::string& path, std::string* message) const;
  // Asks for a file and exports the signed listing; a failure or a warning
  // is shown in a message box.
  void ExportSignedAsk();

  // The report of what the list shows (built by the page, which knows its
  // header): asks for a PDF file and writes it, or asks for a printer and
  // prints it. A failure is shown in a message box.
  void SaveReportAsk(const AuditReport& report);
  void PrintReportAsk(const AuditReport& report);

  // Null puts the file dialog back; a chooser set here also answers for
  // the PDF.
  static void SetSaveFileChooser(SaveFileChooser chooser);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // The headings as View() hands them out; refreshed by each call.
  mutable std::vector<std::string> headings_;
  mutable std::vector<const char*> heading_ptrs_;
  std::optional<ExportedLog> signed_log_;
};

}  // namespace tav

#endif  // TAV_AUDIT_AUDIT_LIST_CTRL_H_
