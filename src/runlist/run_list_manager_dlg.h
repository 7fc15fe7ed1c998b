// The "Run List Manager" dialog (dlg1008): the tabs (ctl1030) "Run List"
// and "Audit Trail", and the buttons Open (ctl1034), Move (ctl3), Delete
// (ctl5), Import (ctl6) and Close (ctl2). The four file buttons are enabled
// on "Run List" and disabled on "Audit Trail".
//
// Open posts "open file" to the host; Delete needs activity 6 and the
// host's answer to "is file open" (runlist/host_messages.h). The host is the
// dialog's parent widget, or the host callback when one is registered.
// Enter on a focused button presses it; no button is the default.
//
// Threads: the GUI thread. The dialog lives for one modal run.
#ifndef TAV_RUNLIST_RUN_LIST_MANAGER_DLG_H_
#define TAV_RUNLIST_RUN_LIST_MANAGER_DLG_H_

#include <QDialog>
#include <memory>

#include "controls/tab_page_host.h"
#include "util/shown_text.h"

namespace Ui {
class RunListManagerDlg;
}

namespace tav {

class CFileRecordComp;
class CFileRecordHistoryPage;
class CRunListPage;

inline constexpr char kRunListManagerTitle[] = TAV_TR_NOOP("tav::RunList", "Run List Manager");
inline constexpr char kRunListTabTitle[] = TAV_TR_NOOP("tav::RunList", "Run List");
inline constexpr char kHistoryTabTitle[] = TAV_TR_NOOP("tav::RunList", "Audit Trail");

class CRunListManagerDlg : public QDialog, public CTabPageHost {
  Q_OBJECT

 public:
  explicit CRunListManagerDlg(QWidget* parent = nullptr);
  ~CRunListManagerDlg() override;

  // Passes the record of a file operation to the history page.
  void UpdateHistory(const CFileRecordComp& record);

  void SelectPage(int index) override;
  void OnOpen();
  void OnDelete();

  CRunListPage* RunListPage() const { return run_list_; }
  CFileRecordHistoryPage* HistoryPage() const { return history_; }

 protected:
  ITabPage* GetPage(int index) override;
  int GetCurSel() const override;
  void SetCurSel(int index) override;

 private:
  void UpdateButtons(int index);

  std::unique_ptr<Ui::RunListManagerDlg> ui_;
  CRunListPage* run_list_ = nullptr;           // owned by the tab control
  CFileRecordHistoryPage* history_ = nullptr;  // owned by the tab control
};

// Runs the dialog modally over `parent` (may be null); a file chosen with
// Open reaches a host's callback after the dialog has closed.
void ShowRunListManager(QWidget* parent);

}  // namespace tav

#endif  // TAV_RUNLIST_RUN_LIST_MANAGER_DLG_H_
