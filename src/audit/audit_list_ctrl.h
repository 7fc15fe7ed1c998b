// CAuditListCtrl: the sortable list of the System Audit viewer's pages. A
// CSortListCtrl that says "There are no items to show in this view." when it
// has no rows, and whose context menu copies the selected rows as text and
// exports the shown rows, in their sorted order, to a CSV file.
//
// Threads: the GUI thread. Ownership: a Qt widget.
#ifndef TAV_AUDIT_AUDIT_LIST_CTRL_H_
#define TAV_AUDIT_AUDIT_LIST_CTRL_H_

#include <QString>

#include <functional>
#include <string>
#include <vector>

#include "audit/table_export.h"
#include "controls/sort_list_ctrl.h"

namespace tav {

inline constexpr char kCopyRowsText[] = "&Copy";
inline constexpr char kExportCsvText[] = "&Export to CSV...";

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

  // Null puts the file dialog back.
  static void SetSaveFileChooser(SaveFileChooser chooser);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;

 private:
  // The headings as View() hands them out; refreshed by each call.
  mutable std::vector<std::string> headings_;
  mutable std::vector<const char*> heading_ptrs_;
};

}  // namespace tav

#endif  // TAV_AUDIT_AUDIT_LIST_CTRL_H_
