// The "Audit Trail" tab of the Run List Manager (dlg1010): the history of
// operations on run files in the list ctl1033, newest first. It is loaded
// when first shown and only for users allowed to view audit trails
// (activity 13); operations made on the "Run List" tab afterwards are added
// by AddRecord and put in date order when the tab is shown next.
//
// Threads: the GUI thread. Owned by the dialog's tab control.
#ifndef TAV_RUNLIST_FILE_RECORD_HISTORY_PAGE_H_
#define TAV_RUNLIST_FILE_RECORD_HISTORY_PAGE_H_

#include <QWidget>
#include <memory>

#include "controls/tab_page_host.h"

namespace Ui {
class FileRecordHistoryPage;
}

namespace tav {

class CFileRecordComp;
class CSortListCtrl;

class CFileRecordHistoryPage : public QWidget, public ITabPage {
  Q_OBJECT

 public:
  explicit CFileRecordHistoryPage(QWidget* parent);
  ~CFileRecordHistoryPage() override;

  bool CanActivate() override;
  bool CanDeactivate() override { return true; }
  void Activate() override;
  void Deactivate() override {}

  // A record of the "Run List" tab: listed at the top once the page is
  // loaded; before that the history read at loading holds it.
  void AddRecord(const CFileRecordComp& record);

  CSortListCtrl* List() const;
  bool IsLoaded() const { return loaded_; }

 private:
  void Load();
  void AddRow(int row, const CFileRecordComp& record);

  std::unique_ptr<Ui::FileRecordHistoryPage> ui_;
  bool loaded_ = false;
  bool resort_pending_ = false;
};

}  // namespace tav

#endif  // TAV_RUNLIST_FILE_RECORD_HISTORY_PAGE_H_
