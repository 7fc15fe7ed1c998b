// The "Run List" tab of the Run List Manager (dlg1009): the run files of
// the file library's run list in the list ctl1031, loaded when the tab is
// first shown, and the file operations of the dialog's buttons (the logic
// is RunListOperations; this page keeps the rows in step).
//
// A double click on a row opens the file (the dialog's Open); the Delete
// key, also the keypad's, deletes it (the dialog's Delete, with its checks).
// "Location" takes a third and "Name" a quarter of the list's width, set
// once the page is first shown with its real size.
//
// Threads: the GUI thread. Owned by the dialog's tab control.
#ifndef TAV_RUNLIST_RUN_LIST_PAGE_H_
#define TAV_RUNLIST_RUN_LIST_PAGE_H_

#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "controls/tab_page_host.h"
#include "util/shown_text.h"

namespace Ui {
class RunListPage;
}

namespace tav {

class CFileRecordComp;
class CRunListManagerDlg;
class CSortListCtrl;

inline constexpr char kRunListSettingsSection[] = "RunListManagerDlg";
inline constexpr char kFileMovePathEntry[] = "FileMovePath";
inline constexpr char kFolderChooserTitle[] =
    TAV_TR_NOOP("tav::RunList", "Select destination folder");
inline constexpr char kImportTitle[] = TAV_TR_NOOP("tav::RunList", "File Import");
inline constexpr char kImportFilter[] =
    TAV_TR_NOOP("tav::RunList", "TAV Files (*.tav *.tvm *.tvt)");
inline constexpr char kImportButton[] = TAV_TR_NOOP("tav::RunList", "&Import");
// The tooltip of a listed file that is not on disk (its row is dimmed).
inline constexpr char kMissingFileNote[] = TAV_TR_NOOP(
    "tav::RunList",
    "Missing: the file is no longer at this location. Delete removes it from the list.");

class CRunListPage : public QWidget, public ITabPage {
  Q_OBJECT

 public:
  // The chosen folder as typed or picked, or nothing when cancelled.
  using FolderChooser =
      std::function<std::optional<std::string>(QWidget* owner, const std::string& start)>;
  // The chosen files' full paths, in the chooser's order; none when cancelled.
  using FileChooser = std::function<std::vector<std::string>(QWidget* owner)>;

  CRunListPage(CRunListManagerDlg* dialog, QWidget* parent);
  ~CRunListPage() override;

  bool CanActivate() override { return true; }
  bool CanDeactivate() override { return true; }
  void Activate() override;
  void Deactivate() override {}

  // The selected row's full path; empty without a selection.
  std::string GetSelectedPath() const;
  // Called by the dialog's Delete after its checks.
  void Delete();
  void Move();
  void Import();

  CSortListCtrl* List() const;
  const std::string& MoveFolder() const { return move_folder_; }
  void SetFolderChooser(FolderChooser chooser) { choose_folder_ = std::move(chooser); }
  void SetFileChooser(FileChooser chooser) { choose_files_ = std::move(chooser); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void Load();
  // Sets "Location" and "Name" from the list's width once the page has its
  // size; only the first call does anything.
  void SizeColumnsSoon();
  // Sizes the folder and name columns to their shares of the width at
  // first, and every column wide enough for every row's text.
  void FitColumns(bool first_time);
  // Sets row `row`'s texts from the record (a new row at the end for -1).
  int AddRow(const CFileRecordComp& record, bool select, int row);
  // Dims the row when its file is missing, and undims it when it is back.
  void MarkRow(int row);
  void SaveMoveFolder(const std::string& folder);

  std::unique_ptr<Ui::RunListPage> ui_;
  CRunListManagerDlg* dialog_;
  bool loaded_ = false;
  bool columns_sized_ = false;
  std::string move_folder_;
  FolderChooser choose_folder_;
  FileChooser choose_files_;
};

// The choosers the page uses unless told otherwise.
std::optional<std::string> ChooseDestinationFolder(QWidget* owner, const std::string& start);
std::vector<std::string> ChooseImportFiles(QWidget* owner);

}  // namespace tav

#endif  // TAV_RUNLIST_RUN_LIST_PAGE_H_
