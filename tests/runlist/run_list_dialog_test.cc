// The Run List Manager driven offscreen over a host widget that answers its
// two messages, on the run list of a fresh data directory: Open, Delete with
// the host's answers, Move and Import through stand-in choosers, and the
// "Audit Trail" tab with and without the right to see it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>

#include <sys/stat.h>

#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "controls/refusable_tab_widget.h"
#include "controls/sort_list_ctrl.h"
#include "logon/access.h"
#include "logon/user_record.h"
#include "runlist/file_record_history_page.h"
#include "runlist/host_messages.h"
#include "runlist/run_file_ops.h"
#include "runlist/run_list_manager_dlg.h"
#include "runlist/run_list_page.h"
#include "services/config/system_configuration.h"
#include "services/filelib/run_list_manager.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/stealth.h"

namespace tav {
namespace {

using testing::WhenModalShows;

// A host window: opens what it is asked to and answers "is file open".
class TestHost : public QWidget {
 public:
  enum class Answer { kIgnore, kOpen, kClearPath, kZeroOnly };
  Answer answer = Answer::kClearPath;
  std::vector<std::string> opened;
  std::vector<std::string> asked;

 protected:
  bool event(QEvent* e) override {
    TAVRunListFileMessage* message = RunListFileEvent::MessageOf(e);
    if (message == nullptr || answer == Answer::kIgnore) return QWidget::event(e);
    if (e->type() == TAVSECURITYUI_EVENT_OPEN_FILE) {
      opened.emplace_back(message->path);
      return true;
    }
    asked.emplace_back(message->path);
    if (answer == Answer::kOpen) message->result = 1;
    if (answer == Answer::kClearPath) message->path[0] = '\0';
    return true;
  }
};

// Records every box and answers from a queue (IDYES once it is empty).
class Boxes {
 public:
  Boxes()
      : handler_([this](const MessageBoxRequest& request) {
          texts.push_back(request.text);
          captions.push_back(request.caption);
          if (answers.empty()) return IDYES;
          const int answer = answers.front();
          answers.erase(answers.begin());
          return answer;
        }) {}
  std::vector<std::string> texts;
  std::vector<std::string> captions;
  std::vector<int> answers;

 private:
  ScopedMessageBoxHandler handler_;
};

class RunListDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    host_ = std::make_unique<TestHost>();
    QCoreApplication::setOrganizationName("tav-runlist-test");
    // The move folder is kept in this test's own settings file.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                       QString::fromStdString(dir_.path()));
    runs_ = dir_.File("runs");
    other_ = dir_.File("other");
    ASSERT_EQ(::mkdir(runs_.c_str(), 0700), 0);
    ASSERT_EQ(::mkdir(other_.c_str(), 0700), 0);
  }
  void TearDown() override { TheLogonState().current_user = UserRecord(); }

  // A run file on disk and on the run list.
  std::string AddRunFile(const std::string& name) {
    const std::string path = runs_ + "/" + name;
    std::ofstream(path) << name;
    CFileRecordComp record;
    CRunListManager manager;
    EXPECT_EQ(manager.ImportFileRecord(path.c_str(), &record), 0);
    return path;
  }

  // Opens the dialog over the host and runs `act` once it shows; the dialog
  // is closed afterwards unless `act` closed it. The dialog's result.
  int Run(std::function<void(CRunListManagerDlg*)> act) {
    WhenModalShows("dlg1008", [act](QWidget* w) {
      auto* dialog = static_cast<CRunListManagerDlg*>(w);
      act(dialog);
      if (dialog->isVisible()) dialog->reject();
    });
    CRunListManagerDlg dialog(host_.get());
    const int result = dialog.exec();
    QCoreApplication::processEvents();
    return result;
  }

  static void Press(QWidget* d, const char* name) {
    QTest::mouseClick(d->findChild<QPushButton*>(name), Qt::LeftButton);
  }
  static CSortListCtrl* RunList(CRunListManagerDlg* d) { return d->RunListPage()->List(); }
  static int RowOf(CSortListCtrl* list, const std::string& name) {
    for (int row = 0; row < list->GetItemCount(); ++row) {
      if (list->GetItemText(row, 1) == name) return row;
    }
    return -1;
  }
  static void Select(CRunListManagerDlg* d, const std::string& name) {
    ASSERT_TRUE(RunList(d)->SelectItem(RowOf(RunList(d), name))) << name;
  }
  static bool ShowHistory(CRunListManagerDlg* d) {
    d->findChild<CXTabCtrl*>("ctl1030")->RequestChange(1);
    return d->GetCurrentIndex() == 1;
  }

  testing::TempDataDir dir_;
  std::string runs_;
  std::string other_;
  std::unique_ptr<TestHost> host_;
  Boxes boxes_;
};

TEST_F(RunListDialogTest, OpenPostsTheSelectedPathAndClosesOnlyWithASelection) {
  const std::string path = AddRunFile("a.tav");
  const int result = Run([&](CRunListManagerDlg* d) {
    ASSERT_EQ(RunList(d)->GetItemCount(), 1);
    EXPECT_EQ(RunList(d)->GetItemText(0, 0), runs_);
    RunList(d)->clearSelection();
    Press(d, "ctl1034");
    EXPECT_EQ(boxes_.texts, std::vector<std::string>{"No items were selected!\n"});
    EXPECT_EQ(boxes_.captions.at(0), "Tessik v2.0");
    EXPECT_TRUE(d->isVisible());
    Select(d, "a.tav");
    Press(d, "ctl1034");
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(host_->opened, std::vector<std::string>{path});
}

TEST_F(RunListDialogTest, DeleteNeedsTheHostToClearThePath) {
  const std::string path = AddRunFile("a.tav");
  for (TestHost::Answer answer :
       {TestHost::Answer::kOpen, TestHost::Answer::kIgnore, TestHost::Answer::kZeroOnly}) {
    host_->answer = answer;
    boxes_.texts.clear();
    Run([&](CRunListManagerDlg* d) {
      Select(d, "a.tav");
      Press(d, "ctl5");
      EXPECT_EQ(RunList(d)->GetItemCount(), 1);
    });
    EXPECT_EQ(boxes_.texts,
              std::vector<std::string>{path + " is currently open and cannot be deleted."});
    EXPECT_TRUE(RunFileExists(path));
  }

  host_->answer = TestHost::Answer::kClearPath;
  boxes_.texts.clear();
  Run([&](CRunListManagerDlg* d) {
    Select(d, "a.tav");
    Press(d, "ctl5");
    EXPECT_EQ(RunList(d)->GetItemCount(), 0);
    ASSERT_TRUE(ShowHistory(d));
    // The deletion, made before the tab was first shown, is listed once.
    CSortListCtrl* history = d->HistoryPage()->List();
    ASSERT_EQ(history->GetItemCount(), 2);
    EXPECT_EQ(history->GetItemText(0, 2), "File Deleted");
    EXPECT_EQ(history->GetItemText(0, 3), "[" + path + "]");
    EXPECT_EQ(history->GetItemText(1, 2), "Record Added");
  });
  EXPECT_EQ(host_->asked.back(), path);
  EXPECT_EQ(boxes_.texts, std::vector<std::string>{"Are you sure you want to delete '" + path +
                                                   "'?"});
  EXPECT_EQ(boxes_.captions.back(), "Confirm File Delete");
  EXPECT_FALSE(RunFileExists(path));
}

TEST_F(RunListDialogTest, AFileThatIsGoneIsShownMissingAndDeleteOffersToRemoveIt) {
  const std::string path = AddRunFile("a.tav");
  AddRunFile("b.tav");
  ASSERT_EQ(::unlink(path.c_str()), 0);
  Run([&](CRunListManagerDlg* d) {
    // Dimmed with a note when the list loads; the texts are untouched.
    CSortListCtrl* list = RunList(d);
    const int gone = RowOf(list, "a.tav");
    ASSERT_GE(gone, 0);
    EXPECT_EQ(list->GetRowStyle(gone), RowStyle::kDimmed);
    EXPECT_EQ(list->GetRowStyle(RowOf(list, "b.tav")), RowStyle::kNormal);
    EXPECT_EQ(list->model()->index(gone, 1).data(Qt::ToolTipRole).toString().toStdString(),
              kMissingFileNote);
    EXPECT_EQ(list->GetItemText(gone, 0), runs_);
    ASSERT_TRUE(ShowHistory(d));
    d->findChild<CXTabCtrl*>("ctl1030")->RequestChange(0);
    Select(d, "a.tav");
    boxes_.answers = {IDYES, IDNO};
    Press(d, "ctl5");
    EXPECT_EQ(RunList(d)->GetItemCount(), 2);
    Press(d, "ctl5");
    ASSERT_EQ(RunList(d)->GetItemCount(), 1);
    EXPECT_EQ(RunList(d)->GetItemText(0, 1), "b.tav");
    ASSERT_TRUE(ShowHistory(d));
    // Added while the tab was loaded: at the top after the pending re-sort.
    EXPECT_EQ(d->HistoryPage()->List()->GetItemText(0, 2), "Record Removed");
  });
  ASSERT_EQ(boxes_.texts.size(), 4u);
  EXPECT_EQ(boxes_.texts[1], path + " is not found. Would you like to remove it from the list?");
  EXPECT_EQ(boxes_.captions[1], "Tessik v2.0");
}

TEST_F(RunListDialogTest, HistoryTabIsRefusedWithoutTheRightToViewAuditTrails) {
  AddRunFile("a.tav");
  ASSERT_EQ(theSystemConfig.Set21CFREnabled(1), 0);
  UserRecord user;
  user.user_name = "ann";
  TheLogonState().current_user = user;
  Run([&](CRunListManagerDlg* d) {
    EXPECT_FALSE(ShowHistory(d));
    EXPECT_EQ(d->findChild<CXTabCtrl*>("ctl1030")->currentIndex(), 0);
    for (const char* name : {"ctl1034", "ctl3", "ctl5", "ctl6", "ctl2"}) {
      EXPECT_TRUE(d->findChild<QPushButton*>(name)->isEnabled()) << name;
    }
    EXPECT_FALSE(d->HistoryPage()->IsLoaded());
    // Delete needs activity 6: refused before the host is asked.
    Select(d, "a.tav");
    Press(d, "ctl5");
  });
  EXPECT_EQ(boxes_.texts, (std::vector<std::string>{ActivityRefusedText(kActivityViewAuditTrails),
                                                    ActivityRefusedText(kActivityManageRunList)}));
  EXPECT_TRUE(host_->asked.empty());
  ASSERT_EQ(theSystemConfig.Set21CFREnabled(0), 0);
}

TEST_F(RunListDialogTest, TheFileButtonsAreOffOnTheHistoryTab) {
  Run([&](CRunListManagerDlg* d) {
    ASSERT_TRUE(ShowHistory(d));
    for (const char* name : {"ctl1034", "ctl3", "ctl5", "ctl6"}) {
      EXPECT_FALSE(d->findChild<QPushButton*>(name)->isEnabled()) << name;
    }
    EXPECT_TRUE(d->findChild<QPushButton*>("ctl2")->isEnabled());
    d->findChild<CXTabCtrl*>("ctl1030")->RequestChange(0);
    EXPECT_TRUE(d->findChild<QPushButton*>("ctl5")->isEnabled());
  });
}

TEST_F(RunListDialogTest, MoveRefusesTheSameFolderAndAsksBeforeReplacing) {
  const std::string path = AddRunFile("a.tav");
  std::ofstream(other_ + "/a.tav") << "old";
  std::vector<std::string> starts;
  std::string chosen;
  Run([&](CRunListManagerDlg* d) {
    d->RunListPage()->SetFolderChooser([&](QWidget*, const std::string& start) {
      starts.push_back(start);
      return std::optional<std::string>(chosen);
    });
    Select(d, "a.tav");
    chosen = runs_ + "/../runs/";
    Press(d, "ctl3");
    chosen = "relative/folder";
    Press(d, "ctl3");
    chosen = other_ + "/";
    boxes_.answers = {IDNO};
    Press(d, "ctl3");
    EXPECT_TRUE(RunFileExists(path));
    boxes_.answers = {IDYES};
    Press(d, "ctl3");
    ASSERT_EQ(RunList(d)->GetItemCount(), 1);
    EXPECT_EQ(RunList(d)->GetItemText(0, 0), other_);
    EXPECT_EQ(d->RunListPage()->GetSelectedPath(), other_ + "/a.tav");
  });
  ASSERT_EQ(boxes_.texts.size(), 4u);
  EXPECT_EQ(boxes_.texts[0], "'a.tav' is already in '" + runs_ + "/../runs'" +
                                 "\r\nDestination folder cannot be the same as the current "
                                 "folder.");
  EXPECT_EQ(boxes_.texts[1].rfind("'relative/folder' is not a valid path.", 0), 0u);
  EXPECT_EQ(boxes_.texts[2], "'a.tav' already exists in '" + other_ + "'" +
                                 "\r\nAre you sure you want to replace it?");
  EXPECT_EQ(boxes_.captions[2], "Confirm File Replace");
  EXPECT_FALSE(RunFileExists(path));
  std::ifstream moved(other_ + "/a.tav");
  std::string text;
  moved >> text;
  EXPECT_EQ(text, "a.tav");
  // The folder chosen last is kept for the next time.
  EXPECT_EQ(starts.back(), other_);
  EXPECT_EQ(QSettings().value("RunListManagerDlg/FileMovePath").toString().toStdString(), other_);
  Run([&](CRunListManagerDlg* d) { EXPECT_EQ(d->RunListPage()->MoveFolder(), other_); });
  CRunListManager manager;
  CFileRecordListComp* history = manager.LoadFileRecordHistory();
  ASSERT_NE(history, nullptr);
  EXPECT_EQ(history->GetChildCount(), 2);
}

TEST_F(RunListDialogTest, ImportTakesRunFilesOnceInTheChoosersOrder) {
  const std::string listed = AddRunFile("listed.tav");
  std::vector<std::string> files;
  for (const char* name : {"c.tav", "a.tvm", "b.TAV", "notes.txt"}) {
    files.push_back(runs_ + "/" + name);
    std::ofstream(files.back()) << name;
  }
  files.push_back(listed);
  Run([&](CRunListManagerDlg* d) {
    d->RunListPage()->SetFileChooser([&](QWidget*) { return files; });
    Press(d, "ctl6");
    EXPECT_EQ(RunList(d)->GetItemCount(), 4);
    EXPECT_EQ(d->RunListPage()->GetSelectedPath(), runs_ + "/b.TAV");
  });
  EXPECT_EQ(boxes_.texts,
            (std::vector<std::string>{"[" + files[3] + "] is not an TAV file.",
                                      "[" + listed +
                                          "] is already on the list. It cannot be imported "
                                          "again."}));
  CRunListManager manager;
  CFileRecordListComp* list = manager.LoadCurrentFileList();
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->GetChildCount(), 4);
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

TEST_F(RunListDialogTest, TheImportChooserOffersRunFilesUnderItsOwnTitle) {
  const std::string path = runs_ + "/b.tav";
  std::ofstream(path) << "b";
  WhenModalShows("dlgFileImport", [&](QWidget* w) {
    auto* chooser = qobject_cast<QFileDialog*>(w);
    ASSERT_NE(chooser, nullptr);
    EXPECT_EQ(chooser->windowTitle(), "File Import");
    EXPECT_EQ(chooser->nameFilters(), QStringList{"TAV Files (*.tav *.tvm *.tvt)"});
    EXPECT_EQ(chooser->labelText(QFileDialog::Accept), "&Import");
    EXPECT_EQ(chooser->fileMode(), QFileDialog::ExistingFiles);
    // Typed as a user would; the chooser's folder view fills later.
    chooser->findChild<QLineEdit*>("fileNameEdit")->setText(QString::fromStdString(path));
    static_cast<QDialog*>(chooser)->accept();
  });
  EXPECT_EQ(ChooseImportFiles(nullptr), std::vector<std::string>{path});
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// A host without Qt: its callback gets both messages, with or without a
// parent widget, and the widget gets no events while it is registered.
struct CallbackHost {
  int32_t answer = 0;
  bool clear = true;
  std::vector<std::pair<int32_t, std::string>> calls;

  static int32_t Call(int32_t message, char* path, void* context) {
    auto* self = static_cast<CallbackHost*>(context);
    self->calls.emplace_back(message, path);
    if (message == TAVSECURITYUI_MSG_IS_FILE_OPEN && self->clear) path[0] = '\0';
    return self->answer;
  }
};

TEST_F(RunListDialogTest, AHostWithoutQtAnswersThroughItsCallback) {
  const std::string a = AddRunFile("a.tav");
  const std::string b = AddRunFile("b.tav");
  CallbackHost callback;
  SetRunListHostCallback(&CallbackHost::Call, &callback);
  callback.answer = 1;  // open: refused, whatever the path says
  bool accepted = false;
  WhenModalShows("dlg1008", [&](QWidget* w) {
    auto* d = static_cast<CRunListManagerDlg*>(w);
    QObject::connect(d, &QDialog::accepted, [&] { accepted = true; });
    Select(d, "a.tav");
    Press(d, "ctl5");
    EXPECT_EQ(RunList(d)->GetItemCount(), 2);
    callback.answer = 0;
    Press(d, "ctl5");
    EXPECT_EQ(RunList(d)->GetItemCount(), 1);
    Select(d, "b.tav");
    Press(d, "ctl1034");
  });
  ShowRunListManager(nullptr);
  EXPECT_TRUE(accepted);
  SetRunListHostCallback(nullptr, nullptr);
  EXPECT_EQ(callback.calls, (std::vector<std::pair<int32_t, std::string>>{
                                {TAVSECURITYUI_MSG_IS_FILE_OPEN, a},
                                {TAVSECURITYUI_MSG_IS_FILE_OPEN, a},
                                {TAVSECURITYUI_MSG_OPEN_FILE, b}}));
  EXPECT_FALSE(RunFileExists(a));
  EXPECT_TRUE(RunFileExists(b));
  EXPECT_EQ(boxes_.texts.front(), a + " is currently open and cannot be deleted.");
}

TEST_F(RunListDialogTest, WithoutAHostOpenAndDeleteDoNothing) {
  const std::string a = AddRunFile("a.tav");
  WhenModalShows("dlg1008", [&](QWidget* w) {
    auto* d = static_cast<CRunListManagerDlg*>(w);
    Press(d, "ctl1034");
    Press(d, "ctl5");
    EXPECT_TRUE(d->isVisible());
    d->reject();
  });
  CRunListManagerDlg dialog(nullptr);
  EXPECT_EQ(dialog.exec(), QDialog::Rejected);
  EXPECT_TRUE(boxes_.texts.empty());
  EXPECT_TRUE(RunFileExists(a));
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

TEST_F(RunListDialogTest, DoubleClickOpensAndTheDeleteKeyDeletes) {
  const std::string a = AddRunFile("a.tav");
  const std::string b = AddRunFile("b.tav");
  const int result = Run([&](CRunListManagerDlg* d) {
    CSortListCtrl* list = RunList(d);
    Select(d, "a.tav");
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Delete);
    EXPECT_FALSE(RunFileExists(a));
    ASSERT_EQ(list->GetItemCount(), 1);
    const QRect cell = list->visualRect(list->model()->index(0, 1));
    // A double click is a press, a release and a double-click press.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, Qt::NoModifier, cell.center());
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(host_->opened, std::vector<std::string>{b});
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// The file changes on disk first and the library is told second; when the
// library has lost the file meanwhile, the box says where both stand.
TEST_F(RunListDialogTest, TheBoxesSayWhereFileAndListStandWhenTheLibraryFails) {
  const std::string a = AddRunFile("a.tav");
  const std::string b = AddRunFile("b.tav");
  Run([&](CRunListManagerDlg* d) {
    CRunListManager other;  // another program takes both off the list
    CFileRecordComp record;
    ASSERT_EQ(other.DeleteFileRecord(a.c_str(), 1, &record), 0);
    ASSERT_EQ(other.DeleteFileRecord(b.c_str(), 1, &record), 0);
    Select(d, "a.tav");
    Press(d, "ctl5");
    EXPECT_EQ(RowOf(RunList(d), "a.tav"), -1);
    d->RunListPage()->SetFolderChooser(
        [&](QWidget*, const std::string&) { return std::optional<std::string>(other_); });
    Select(d, "b.tav");
    Press(d, "ctl3");
    // The row follows the file, which is where it says.
    const int row = RowOf(RunList(d), "b.tav");
    EXPECT_EQ(RunList(d)->GetItemText(row, 0), other_);
    EXPECT_EQ(RunList(d)->GetRowStyle(row), RowStyle::kNormal);
  });
  ASSERT_EQ(boxes_.texts.size(), 3u);
  EXPECT_EQ(boxes_.texts[1], "Failed to delete record [" + a + "]. \r\nError: -52" +
                                 "\r\nThe file is deleted; it was not on the run list any more.");
  EXPECT_EQ(boxes_.texts[2], "Failed to update file list. \r\nError: -52\r\nThe file is now at [" +
                                 other_ + "/b.tav], but it was not on the run list any more; "
                                 "Import adds it.");
  EXPECT_FALSE(RunFileExists(a));
  EXPECT_TRUE(RunFileExists(other_ + "/b.tav"));
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

// /dev/shm is a file system of its own (a tmpfs): the move copies there.
TEST_F(RunListDialogTest, MoveCarriesAFileToAnotherFileSystem) {
  char shm[] = "/dev/shm/tav_runlist_dialog.XXXXXX";
  if (::mkdtemp(shm) == nullptr) GTEST_SKIP() << "no folder can be made in /dev/shm";
  const std::string target_folder = shm;
  struct stat here {}, there {};
  if (::stat(runs_.c_str(), &here) != 0 || ::stat(shm, &there) != 0 ||
      here.st_dev == there.st_dev) {
    ::rmdir(shm);
    GTEST_SKIP() << "/dev/shm is not another file system here";
  }
  const std::string path = AddRunFile("a.tav");
  Run([&](CRunListManagerDlg* d) {
    d->RunListPage()->SetFolderChooser(
        [&](QWidget*, const std::string&) { return std::optional<std::string>(target_folder); });
    Select(d, "a.tav");
    Press(d, "ctl3");
    EXPECT_EQ(RunList(d)->GetItemText(0, 0), target_folder);
  });
  EXPECT_TRUE(boxes_.texts.empty());
  EXPECT_FALSE(RunFileExists(path));
  std::ifstream moved(target_folder + "/a.tav");
  std::string text;
  moved >> text;
  EXPECT_EQ(text, "a.tav");
  CRunListManager manager;
  CFileRecordListComp* list = manager.LoadCurrentFileList();
  ASSERT_NE(list, nullptr);
  EXPECT_NE(list->FindByPath(target_folder + "/a.tav"), nullptr);
  std::system(("rm -rf '" + target_folder + "'").c_str());
}

}  // namespace
}  // namespace tav

namespace tav {
namespace {

bool RunListManagerIsUp() {
  for (QWidget* window : QApplication::topLevelWidgets()) {
    if (window->objectName() == "dlg1008" && window->isVisible()) return true;
  }
  return false;
}

// A host without Qt hears of the file to open when the Run List Manager has
// closed, as a Qt host does from the posted event: it may then show windows
// of its own without the manager's modal loop under them.
TEST_F(RunListDialogTest, OpenReachesAHostsCallbackAfterTheDialogHasClosed) {
  const std::string a = AddRunFile("a.tav");
  struct Seen {
    std::vector<std::string> opened;
    bool manager_up = false;
    bool modal_up = false;
  } seen;
  SetRunListHostCallback(
      [](int32_t message, char* path, void* context) -> int32_t {
        auto* seen = static_cast<Seen*>(context);
        if (message != TAVSECURITYUI_MSG_OPEN_FILE) return 1;
        seen->opened.emplace_back(path);
        seen->manager_up = seen->manager_up || RunListManagerIsUp();
        seen->modal_up = seen->modal_up || QApplication::activeModalWidget() != nullptr;
        return 0;
      },
      &seen);
  WhenModalShows("dlg1008", [&](QWidget* w) {
    auto* d = static_cast<CRunListManagerDlg*>(w);
    Select(d, "a.tav");
    Press(d, "ctl1034");
    EXPECT_TRUE(seen.opened.empty()) << "told while the dialog closes";
  });
  ShowRunListManager(nullptr);
  SetRunListHostCallback(nullptr, nullptr);
  EXPECT_EQ(seen.opened, std::vector<std::string>{a});
  EXPECT_FALSE(seen.manager_up);
  EXPECT_FALSE(seen.modal_up);
}

// The manager has no default button: Enter (or Return, or the keypad's
// Enter) presses the button that has the focus, and nothing when the list
// has it.
TEST_F(RunListDialogTest, EnterPressesTheFocusedButton) {
  const std::string a = AddRunFile("a.tav");
  const std::string b = AddRunFile("b.tav");
  int folder_asked = 0;
  int files_asked = 0;
  const int result = Run([&](CRunListManagerDlg* d) {
    d->RunListPage()->SetFolderChooser([&](QWidget*, const std::string&) {
      ++folder_asked;
      return std::optional<std::string>();
    });
    d->RunListPage()->SetFileChooser([&](QWidget*) {
      ++files_asked;
      return std::vector<std::string>();
    });
    auto enter_on = [d](const char* name, Qt::Key key = Qt::Key_Return,
                        Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
      auto* button = d->findChild<QPushButton*>(name);
      button->setFocus();
      QTest::keyClick(button, key, modifiers);
    };
    Select(d, "a.tav");
    RunList(d)->setFocus();
    QTest::keyClick(RunList(d), Qt::Key_Return);
    EXPECT_TRUE(d->isVisible());
    EXPECT_TRUE(host_->opened.empty());

    enter_on("ctl3");  // Move: asks for a folder
    EXPECT_EQ(folder_asked, 1);
    enter_on("ctl6", Qt::Key_Enter, Qt::KeypadModifier);  // Import: asks for files
    EXPECT_EQ(files_asked, 1);
    enter_on("ctl5");  // Delete
    EXPECT_FALSE(RunFileExists(a));
    ASSERT_EQ(RunList(d)->GetItemCount(), 1);
    EXPECT_TRUE(d->isVisible());
    Select(d, "b.tav");
    enter_on("ctl1034", Qt::Key_Enter, Qt::KeypadModifier);  // Open: closes
    EXPECT_FALSE(d->isVisible());
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(host_->opened, std::vector<std::string>{b});
  EXPECT_EQ(Run([](CRunListManagerDlg* d) {
              auto* close = d->findChild<QPushButton*>("ctl2");
              close->setFocus();
              QTest::keyClick(close, Qt::Key_Return);
              EXPECT_FALSE(d->isVisible());
            }),
            QDialog::Rejected);
}

TEST_F(RunListDialogTest, TheKeypadDeleteKeyDeletesAsDeleteDoes) {
  const std::string a = AddRunFile("a.tav");
  Run([&](CRunListManagerDlg* d) {
    Select(d, "a.tav");
    RunList(d)->setFocus();
    QTest::keyClick(RunList(d), Qt::Key_Delete, Qt::KeypadModifier);
    EXPECT_EQ(RunList(d)->GetItemCount(), 0);
  });
  EXPECT_FALSE(RunFileExists(a));
  // Shift+Delete is another key.
  const std::string b = AddRunFile("b.tav");
  Run([&](CRunListManagerDlg* d) {
    Select(d, "b.tav");
    QTest::keyClick(RunList(d), Qt::Key_Delete, Qt::ShiftModifier);
    EXPECT_EQ(RunList(d)->GetItemCount(), 1);
  });
  EXPECT_TRUE(RunFileExists(b));
}

// "Location" takes a third and "Name" a quarter of the list's width once
// the dialog is up; the test also runs at 200% (QT_SCALE_FACTOR=2, a test
// of its own in CTest).
TEST_F(RunListDialogTest, TheLocationAndNameColumnsShareTheListsWidth) {
  AddRunFile("a-run-file-with-a-long-name.tav");
  Run([&](CRunListManagerDlg* d) {
    CSortListCtrl* list = RunList(d);
    const int width = list->viewport()->width();
    EXPECT_GT(width, 400);
    // Each takes its share, or more where its text needs more: a folder or
    // name is never cut (a longer language, a scaled screen).
    const QFontMetrics metrics = list->fontMetrics();
    for (int column = 0; column < 2; ++column) {
      const int share = column == 0 ? width / 3 : width / 4;
      const std::string_view cell = list->GetItemText(0, column);
      const int text = metrics.horizontalAdvance(
          QString::fromUtf8(cell.data(), static_cast<qsizetype>(cell.size())));
      if (text + 12 < share) {
        EXPECT_EQ(list->columnWidth(column), share);
      } else {
        EXPECT_GT(list->columnWidth(column), text);
      }
    }
    // The other two fit their contents; the last takes the rest.
    EXPECT_GE(list->columnWidth(2), list->header()->sectionSizeHint(2));
    if (qEnvironmentVariable("QT_SCALE_FACTOR") == "2") {
      EXPECT_EQ(list->devicePixelRatio(), 2.0);
    }
  });
}

}  // namespace
}  // namespace tav
