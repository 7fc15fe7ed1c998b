// The System Audit viewer driven offscreen through its exported entry
// points, as a host's user meets it: the event list, its order and header
// sort, the refused configuration audit trail tab, Escape, the chain line.
#include <gtest/gtest.h>
#include <sqlite3.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QMenu>
#include <QTimer>
#include <QHeaderView>
#include <QImage>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTest>

#include <memory>
#include <string>
#include <vector>

#include "TAVSecurityUI.h"
#include "audit/audit_list_ctrl.h"
#include "audit/config_trail_panel.h"
#include "audit/event_log_page.h"
#include "audit/trail_rows.h"
#include "logon/user_record.h"
#include "services/config/group_rights.h"
#include "services/config/system_configuration.h"
#include "services/config/system_ids.h"
#include "esig/esig_test_support.h"
#include "esig/review_signature.h"
#include "esig/signature_backend.h"
#include "services/filelib/audit_review.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/export_signature.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/system_event_manager.h"
#include "controls/refusable_tab_widget.h"
#include "testing/gui_test_support.h"
#include "testing/store_tamper.h"
#include "testing/log_records.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/file.h"
#include "util/ole_date.h"
#include "util/stealth.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::WhenModalShows;

DATE At(int hour) { return *MakeOleDate(2026, 12, 6, hour, 0, 0); }

using testing::AppendEvent;

void TamperWithLog(const char* sql) { tav::testing::TamperWithStore(sql); }

std::vector<std::string> Column(const CAuditListCtrl* list, int column) {
  std::vector<std::string> cells;
  for (int row = 0; row < list->GetItemCount(); ++row) {
    cells.emplace_back(list->GetItemText(row, column));
  }
  return cells;
}

// What the user saw in the viewer.
struct Seen {
  int tab = -1;
  std::vector<std::string> dates, users, events;
  std::vector<int> selected;
  std::string chain;
  int trail_rows = -1;
  std::vector<std::string> trail_whats;  // "What Changed" of each row, top first
  std::string detail;
};

// Opens the list's context menu as a right click does and picks `text`.
void PickFromContextMenu(CAuditListCtrl* list, const char* text) {
  bool picked = false;
  QTimer::singleShot(0, [&] {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr);
    for (QAction* action : menu->actions()) {
      if (action->text() == QString::fromLatin1(text) && action->isEnabled()) {
        action->trigger();
        picked = true;
      }
    }
    menu->close();
  });
  const QPoint at(10, 10);
  QContextMenuEvent event(QContextMenuEvent::Mouse, at, list->viewport()->mapToGlobal(at));
  QApplication::sendEvent(list->viewport(), &event);
  EXPECT_TRUE(picked) << text;
}

class SystemAuditTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    TheLogonState().current_user = UserRecord();
    // The rights a test writes are an edit of what this process read
    // before, which was in another test's data directory.
    theSystemConfig.ForgetReadsForTesting();
  }
  void TearDown() override { TheLogonState().current_user = UserRecord(); }

  static void LogOn(const std::string& name, const std::string& group) {
    UserRecord user;
    user.user_name = name;
    user.groups = {group};
    TheLogonState().current_user = user;
  }

  // Lets only tav-admins view audit trails, then turns the features on
  // (in that order: once they are on, only a user holding the
  // configuration right may change the rights).
  static void OnlyAdminsViewTrails() {
    CTAVGroupRightsArray rights;
    rights.Grant("tav-admins", kActivityViewAuditTrails);
    rights.Grant("tav-users", kActivityStartRun);
    ASSERT_EQ(theSystemConfig.WriteActivityGroupArray(rights), 0);
    ASSERT_EQ(theSystemConfig.Set21CFREnabled(1), 0);
  }

  // Opens the viewer through `entry`, lets `act` play the user, records
  // what was shown, and closes it with "Close".
  Seen Open(int32_t (*entry)(HWND), std::function<void(QDialog*)> act = nullptr) {
    Seen seen;
    bool closed = false;
    WhenModalShows("dlg1012", [&](QWidget* widget) {
      auto* dialog = static_cast<QDialog*>(widget);
      if (act) act(dialog);
      auto* tabs = dialog->findChild<CXTabCtrl*>("ctl1039");
      seen.tab = tabs->currentIndex();
      auto* list = dialog->findChild<CAuditListCtrl*>("ctl1037");
      seen.dates = Column(list, 0);
      seen.users = Column(list, 1);
      seen.events = Column(list, 2);
      seen.selected = list->GetSelectedRows();
      // The chain is checked once the page has shown.
      auto* page = dialog->findChild<EventLogPage*>("dlg1011");
      if (page->isVisible()) QTRY_VERIFY_WITH_TIMEOUT(page->ChainChecked(), 10000);
      seen.chain = dialog->findChild<QLabel*>("chainStatus")->text().toStdString();
      auto* trail = dialog->findChild<CAuditListCtrl*>("lstConfigTrail");
      seen.trail_rows = trail->GetItemCount();
      for (int row = 0; row < seen.trail_rows; ++row) {
        seen.trail_whats.emplace_back(trail->GetItemText(row, kTrailWhatColumn));
      }
      seen.detail = dialog->findChild<QPlainTextEdit*>("txtChangeDetail")->toPlainText().toStdString();
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
      closed = true;
    });
    EXPECT_EQ(entry(nullptr), 0);
    EXPECT_TRUE(closed);
    return seen;
  }

  testing::TempDataDir data_dir_;
  BoxRecorder boxes_;
};

TEST_F(SystemAuditTest, EventsAreListedNewestFirstAndAscendAfterOneClickOnTheDate) {
  for (int hour : {10, 9, 11}) {
    AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, ("user" + std::to_string(hour)).c_str(),
                                At(hour)));
  }
  // Two events of one second: the one logged last comes first.
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "first", At(7)));
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "second", At(7)));
  auto no_entry = std::make_unique<CAuditEventComp>();
  no_entry->SetEvent("ghost", At(8));
  AppendEvent(std::move(no_entry));

  std::vector<std::string> after_click;
  std::string sort_column;
  const Seen seen = Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    auto* list = dialog->findChild<CAuditListCtrl*>("ctl1037");
    const std::vector<std::string> before = Column(list, 0);
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    after_click = Column(list, 0);
    // Put the order back for the checks of the opened dialog.
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
    EXPECT_EQ(Column(list, 0), before);
    EXPECT_GE(header->sectionSize(2), header->sectionSizeHint(2));
    // The lab store names the workstation of every event in a last column.
    if (testing::TestsUseLabStore()) {
      ASSERT_EQ(list->GetColumnCount(), 4);
      EXPECT_EQ(list->GetModel()->headerData(3, Qt::Horizontal).toString(), "Workstation");
      for (const std::string& writer : Column(list, 3)) EXPECT_FALSE(writer.empty());
    } else {
      EXPECT_EQ(list->GetColumnCount(), 3);
    }
  });
  EXPECT_EQ(seen.tab, 0);
  EXPECT_EQ(seen.dates,
            (std::vector<std::string>{FormatOleDate(At(11)), FormatOleDate(At(10)),
                                      FormatOleDate(At(9)), FormatOleDate(At(8)),
                                      FormatOleDate(At(7)), FormatOleDate(At(7))}));
  EXPECT_EQ(seen.users, (std::vector<std::string>{"user11", "user10", "user9", "ghost", "second",
                                                  "first"}));
  EXPECT_EQ(seen.events, (std::vector<std::string>{"Successful Login", "Successful Login",
                                                   "Successful Login", "", "Failed Login",
                                                   "Failed Login"}));
  EXPECT_EQ(seen.selected, std::vector<int>{0});
  EXPECT_EQ(seen.chain, "6 events, chain intact");
  EXPECT_EQ(after_click,
            (std::vector<std::string>{FormatOleDate(At(7)), FormatOleDate(At(7)),
                                      FormatOleDate(At(8)), FormatOleDate(At(9)),
                                      FormatOleDate(At(10)), FormatOleDate(At(11))}));
  EXPECT_TRUE(boxes_.boxes().empty());
}

TEST_F(SystemAuditTest, TheFilterBarNarrowsAsTheUserTypesAndKeepsTheSort) {
  AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, "alice", At(9)));
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "bob", At(10)));
  AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, "Alina", At(11)));
  AppendEvent(MakeSystemEvent(kAuditLoggedOff, "alice", At(12)));
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "carol", At(13)));

  struct Step {
    std::vector<std::string> users;
    std::string count;
  };
  std::vector<Step> steps;
  const std::string pdf = data_dir_.File("shown.pdf");
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    // Each tab has a filter bar of its own.
    auto* page = dialog->findChild<EventLogPage*>("dlg1011");
    auto* list = page->findChild<CAuditListCtrl*>("ctl1037");
    auto* count = page->findChild<QLabel*>("lblFilterCount");
    auto* text = page->findChild<QLineEdit*>("edtFilterText");
    ASSERT_NE(text, nullptr);
    auto note = [&] { steps.push_back(Step{Column(list, 1), count->text().toStdString()}); };
    note();
    QTest::keyClicks(text, "ali");  // narrows with each key, case aside
    note();
    QTest::keyClicks(text, "c");
    note();
    // Sorted by user while filtered; the sort stays when the filter goes.
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    text->clear();
    note();
    // The user and kind choices, and a range that ends at 11:00 sharp.
    auto* kind = page->findChild<QComboBox*>("cmbFilterKind");
    kind->setCurrentIndex(kind->findText("Failed Login"));
    note();
    kind->setCurrentIndex(0);
    auto* user = page->findChild<QComboBox*>("cmbFilterUser");
    user->setCurrentIndex(user->findText("alice"));
    note();
    user->setCurrentIndex(0);
    page->findChild<QDateTimeEdit*>("edtFilterTo")
        ->setDateTime(QDateTime(QDate(2026, 12, 6), QTime(11, 0, 0)));
    page->findChild<QCheckBox*>("chkFilterTo")->setChecked(true);
    note();
    // "Save as PDF..." writes what the list shows.
    CAuditListCtrl::SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(pdf); });
    QTest::mouseClick(page->findChild<QPushButton*>("btnSavePdf"), Qt::LeftButton);
    CAuditListCtrl::SetSaveFileChooser(nullptr);
    // Escape in the filter leaves the viewer open.
    QTest::keyClick(text, Qt::Key_Escape);
    EXPECT_TRUE(dialog->isVisible());
  });
  ASSERT_EQ(steps.size(), 7u);
  EXPECT_EQ(steps[0].users,
            (std::vector<std::string>{"carol", "alice", "Alina", "bob", "alice"}));
  EXPECT_EQ(steps[0].count, "5 of 5 events");
  EXPECT_EQ(steps[1].users, (std::vector<std::string>{"alice", "Alina", "alice"}));
  EXPECT_EQ(steps[1].count, "3 of 5 events");
  EXPECT_EQ(steps[2].users, (std::vector<std::string>{"alice", "alice"}));
  EXPECT_EQ(steps[2].count, "2 of 5 events");
  EXPECT_EQ(steps[3].users,
            (std::vector<std::string>{"Alina", "alice", "alice", "bob", "carol"}));
  EXPECT_EQ(steps[3].count, "5 of 5 events");
  EXPECT_EQ(steps[4].users, (std::vector<std::string>{"bob", "carol"}));
  EXPECT_EQ(steps[5].users, (std::vector<std::string>{"alice", "alice"}));
  EXPECT_EQ(steps[6].users, (std::vector<std::string>{"Alina", "alice", "bob"}));
  EXPECT_EQ(steps[6].count, "3 of 5 events");
  const testing::CommandResult text = testing::RunCommand("pdftotext -raw '" + pdf + "' -");
  ASSERT_EQ(text.exit_code, 0) << text.err;
  // The shown rows in the shown order, under the filter that chose them.
  const size_t alina = text.out.find("Alina"), alice = text.out.find("alice "),
               bob = text.out.find("bob");
  EXPECT_TRUE(alina < alice && alice < bob) << text.out;
  EXPECT_EQ(text.out.find("carol"), std::string::npos);
  EXPECT_NE(text.out.find("Filter: to 2026-12-06 11:00:00"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Page 1 of 1"), std::string::npos);
}

TEST_F(SystemAuditTest, PrintSendsWhatTheListShowsToThePrinterChosen) {
  AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, "alice", At(9)));
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "bob", At(10)));
  AppendEvent(MakeSystemEvent(kAuditLoggedOff, "alice", At(11)));
  const std::string pdf = data_dir_.File("printed.pdf");
  bool printed_to_file = false;
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    auto* page = dialog->findChild<EventLogPage*>("dlg1011");
    page->findChild<QLineEdit*>("edtFilterText")->setText("alice");
    // The user picks printing to a file in the print dialog and names it.
    testing::WhenModalShows("dlgPrint", [&](QWidget* widget) {
      auto* printers = widget->findChild<QComboBox*>("printers");
      auto* file = widget->findChild<QLineEdit*>("filename");
      ASSERT_NE(printers, nullptr);
      ASSERT_NE(file, nullptr);
      printers->setCurrentIndex(printers->count() - 1);  // "Print to File (PDF)"
      file->setText(QString::fromStdString(pdf));
      printed_to_file = true;
      static_cast<QDialog*>(widget)->accept();
    });
    QTest::mouseClick(page->findChild<QPushButton*>("btnPrint"), Qt::LeftButton);
  });
  ASSERT_TRUE(printed_to_file);
  EXPECT_TRUE(boxes_.boxes().empty());
  const testing::CommandResult text = testing::RunCommand("pdftotext -raw '" + pdf + "' -");
  ASSERT_EQ(text.exit_code, 0) << text.err;
  // The two rows shown, newest first, under the filter and page numbers.
  const size_t off = text.out.find("Logged Off"), on = text.out.find("Successful Login");
  EXPECT_TRUE(off != std::string::npos && on != std::string::npos && off < on) << text.out;
  EXPECT_EQ(text.out.find("bob"), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Filter: text \"alice\""), std::string::npos) << text.out;
  EXPECT_NE(text.out.find("Page 1 of 1"), std::string::npos) << text.out;
}

TEST_F(SystemAuditTest, AReviewSignedInTheViewerIsRecordedListedAndReported) {
  data_dir_.AllowPlainPasswords();
  testing::AddLocalAccount("rita", "Rita-Pass1", {"qa-reviewers"}, "Rita Reviewer");
  TAVSecurityUI_ResetESignatureGroups();
  ASSERT_EQ(TAVSecurityUI_AddESignatureGroup("qa-reviewers"), 1);
  for (int hour : {9, 10, 11}) AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, "alice", At(hour)));

  const std::string pdf = data_dir_.File("reviewed.pdf");
  std::string count_after, line_after;
  bool refused_seen = false;
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    auto* page = dialog->findChild<EventLogPage*>("dlg1011");
    auto* mark = page->findChild<QPushButton*>("btnMarkReviewed");
    // A wrong password: the signature dialog refuses it and stays open;
    // the reviewer gives up.
    testing::WhenModalShows("dlg131", [&](QWidget* sig) {
      testing::FillAndClickOk(sig, testing::Signing("rita", "not-her-password", 0));
      refused_seen = sig->isVisible();
      QTest::mouseClick(sig->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
    });
    QTest::mouseClick(mark, Qt::LeftButton);
    // Her password: the review of the three events shown is recorded.
    testing::WhenModalShows("dlg131", [&](QWidget* sig) {
      testing::FillAndClickOk(sig, testing::Signing("rita", "Rita-Pass1", 0, "weekly review"));
    });
    QTest::mouseClick(mark, Qt::LeftButton);
    page->findChild<QCheckBox*>("chkUnreviewed")->setChecked(true);
    count_after = page->findChild<QLabel*>("lblFilterCount")->text().toStdString();
    line_after = page->findChild<QLabel*>("chainStatus")->text().toStdString();
    page->findChild<QCheckBox*>("chkUnreviewed")->setChecked(false);
    CAuditListCtrl::SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(pdf); });
    QTest::mouseClick(page->findChild<QPushButton*>("btnSavePdf"), Qt::LeftButton);
    CAuditListCtrl::SetSaveFileChooser(nullptr);
  });
  EXPECT_TRUE(refused_seen);
  EXPECT_EQ(count_after, "0 of 3 events");
  EXPECT_NE(line_after.find("Review recorded: system events 1 to 3 (3 events)."),
            std::string::npos)
      << line_after;

  // In the event log and its listing: the failed attempt, then the review.
  const std::string tavsec = data_dir_.CommandEnv() + " " + TAVSEC_PATH;
  const testing::CommandResult list = testing::RunCommand(tavsec + " events list --format csv");
  ASSERT_EQ(list.exit_code, 0) << list.err;
  EXPECT_NE(list.out.find(",rita,Failed E-Signature Attempt\r\n5,"), std::string::npos)
      << list.out;
  EXPECT_NE(list.out.find(",rita,Audit Trail Reviewed\r\n"), std::string::npos) << list.out;
  EXPECT_EQ(list.out.find("Audit Trail Reviewed"), list.out.rfind("Audit Trail Reviewed"));

  // A wrong password sent with a review records the failed signature and no
  // review, whoever checks it.
  AuditReview again;
  again.first = 1;
  again.last = 5;
  again.meaning = kReviewMeaning;
  const ReviewSignature refused =
      SignAuditReview(SignatureBackend::Default(), "rita", "", "wrong", &again);
  EXPECT_EQ(refused.code, 1326);
  EXPECT_FALSE(refused.recorded_review());
  CSystemEventManager events;
  const CAuditCollectionComp* log = events.LoadEventList();
  ASSERT_NE(log, nullptr);
  const std::vector<RecordedReview> reviews = FindReviews(*log);
  ASSERT_EQ(reviews.size(), 1u);
  EXPECT_EQ(reviews[0].reviewer, "rita");
  EXPECT_EQ(reviews[0].review.first, 1u);
  EXPECT_EQ(reviews[0].review.last, 3u);
  EXPECT_EQ(reviews[0].review.count, 3u);
  EXPECT_EQ(reviews[0].review.comment, "weekly review");
  EXPECT_EQ(log->GetChildCount(), 6u);  // 3, a failed attempt, the review, a failed attempt

  // Opened again, the viewer reads the review from the log: only what it
  // does not cover is unreviewed.
  std::vector<std::string> unreviewed;
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    auto* page = dialog->findChild<EventLogPage*>("dlg1011");
    page->findChild<QCheckBox*>("chkUnreviewed")->setChecked(true);
    unreviewed = Column(page->List(), 2);
  });
  EXPECT_EQ(unreviewed, (std::vector<std::string>{"Failed E-Signature Attempt",
                                                  "Audit Trail Reviewed",
                                                  "Failed E-Signature Attempt"}));

  // The report lists the review, in the viewer's and in tavsec's.
  for (const std::string& file : {pdf, data_dir_.File("next.pdf")}) {
    if (file != pdf) {
      ASSERT_EQ(testing::RunCommand(tavsec + " events report --pdf '" + file + "'").exit_code, 0);
    }
    const testing::CommandResult text = testing::RunCommand("pdftotext -raw '" + file + "' -");
    ASSERT_EQ(text.exit_code, 0) << text.err;
    EXPECT_NE(text.out.find("rita: Reviewed system events 1 to 3 (3 records). Meaning: "
                            "Reviewed. Comment: weekly review"),
              std::string::npos)
        << file << "\n" << text.out;
  }
}

TEST_F(SystemAuditTest, TheTrailIsReviewedOnItsTabAndItsReportListsTheReview) {
  data_dir_.AllowPlainPasswords();
  testing::AddLocalAccount("rita", "Rita-Pass1", {"qa-reviewers"}, "Rita Reviewer");
  TAVSecurityUI_ResetESignatureGroups();
  ASSERT_EQ(TAVSecurityUI_AddESignatureGroup("qa-reviewers"), 1);
  OnlyAdminsViewTrails();  // two changes: the rights, then the switch
  LogOn("alice", "tav-admins");

  std::string count_before, count_after, count_shown_again;
  bool event_page_unchanged = false;
  Open(&TAVSecurityUI_DoSysAuditTrail, [&](QDialog* dialog) {
    auto* panel = dialog->findChild<ConfigTrailPanel*>();
    auto* unreviewed = panel->findChild<QCheckBox*>("chkUnreviewed");
    auto* count = panel->findChild<QLabel*>("lblFilterCount");
    unreviewed->setChecked(true);
    count_before = count->text().toStdString();
    unreviewed->setChecked(false);
    testing::WhenModalShows("dlg131", [&](QWidget* sig) {
      testing::FillAndClickOk(sig, testing::Signing("rita", "Rita-Pass1", 0, "monthly review"));
    });
    QTest::mouseClick(panel->findChild<QPushButton*>("btnMarkReviewed"), Qt::LeftButton);
    unreviewed->setChecked(true);
    count_after = count->text().toStdString();
    unreviewed->setChecked(false);
    count_shown_again = count->text().toStdString();
    // A review of the trail leaves the events unreviewed.
    auto* events = dialog->findChild<EventLogPage*>("dlg1011");
    events->findChild<QCheckBox*>("chkUnreviewed")->setChecked(true);
    event_page_unchanged = events->List()->GetItemCount() > 0;
  });
  EXPECT_EQ(count_before, "2 of 2 changes");
  EXPECT_EQ(count_after, "0 of 2 changes");
  EXPECT_EQ(count_shown_again, "2 of 2 changes");
  EXPECT_TRUE(event_page_unchanged);
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_EQ(boxes_.boxes()[0].text, "Review recorded: configuration changes 1 to 2 (2 changes).");

  CSystemEventManager manager;
  const CAuditCollectionComp* log = manager.LoadEventList();
  ASSERT_NE(log, nullptr);
  const std::vector<RecordedReview> reviews = FindReviews(*log);
  ASSERT_EQ(reviews.size(), 1u);
  EXPECT_EQ(reviews[0].review.log, ReviewedLog::kConfigTrail);
  EXPECT_EQ(reviews[0].review.count, 2u);

  // Opened again, the trail knows its review; tavsec's report lists it,
  // and keeps no row under --unreviewed.
  std::string count_reopened;
  Open(&TAVSecurityUI_DoSysAuditTrail, [&](QDialog* dialog) {
    auto* panel = dialog->findChild<ConfigTrailPanel*>();
    panel->findChild<QCheckBox*>("chkUnreviewed")->setChecked(true);
    count_reopened = panel->findChild<QLabel*>("lblFilterCount")->text().toStdString();
  });
  EXPECT_EQ(count_reopened, "0 of 2 changes");
  const std::string tavsec = data_dir_.CommandEnv() + " " + TAVSEC_PATH;
  const std::string all = data_dir_.File("trail.pdf");
  const std::string open = data_dir_.File("open.pdf");
  ASSERT_EQ(testing::RunCommand(tavsec + " config trail --pdf '" + all + "'").exit_code, 0);
  ASSERT_EQ(
      testing::RunCommand(tavsec + " config trail --unreviewed --pdf '" + open + "'").exit_code, 0);
  const testing::CommandResult text = testing::RunCommand("pdftotext -raw '" + all + "' -");
  ASSERT_EQ(text.exit_code, 0) << text.err;
  EXPECT_NE(text.out.find("rita: Reviewed configuration changes 1 to 2 (2 records). Meaning: "
                          "Reviewed. Comment: monthly review"),
            std::string::npos)
      << text.out;
  const testing::CommandResult none = testing::RunCommand("pdftotext -raw '" + open + "' -");
  ASSERT_EQ(none.exit_code, 0) << none.err;
  EXPECT_EQ(none.out.find("21 CFR Part 11 features"), std::string::npos) << none.out;
  EXPECT_NE(text.out.find("21 CFR Part 11 features"), std::string::npos) << text.out;
}

TEST_F(SystemAuditTest, AnEmptyLogSaysSoAndEscapeDoesNotClose) {
  bool still_open = false;
  QImage empty_list;
  const Seen seen = Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    QWidget* focus = QApplication::focusWidget();
    QTest::keyClick(focus != nullptr ? focus : dialog, Qt::Key_Escape);
    QTest::keyClick(dialog, Qt::Key_Escape);
    QApplication::processEvents();
    still_open = dialog->isVisible();
    auto* list = dialog->findChild<CAuditListCtrl*>("ctl1037");
    empty_list = list->viewport()->grab().toImage();
  });
  EXPECT_TRUE(still_open);
  EXPECT_TRUE(seen.dates.empty());
  EXPECT_TRUE(seen.selected.empty());
  EXPECT_EQ(seen.chain, "0 events, chain intact");
  // The empty-list text is drawn: the viewport is not one plain colour.
  ASSERT_FALSE(empty_list.isNull());
  const QRgb background = empty_list.pixel(0, empty_list.height() - 1);
  bool drawn = false;
  for (int y = 0; y < empty_list.height() && !drawn; ++y) {
    for (int x = 0; x < empty_list.width() && !drawn; ++x) {
      drawn = empty_list.pixel(x, y) != background;
    }
  }
  EXPECT_TRUE(drawn);
}

// The viewer has no default button: Enter presses the button that has the
// focus, and only that one (Return and the keypad's Enter alike).
TEST_F(SystemAuditTest, EnterOnTheFocusedCloseButtonClosesTheViewer) {
  for (const auto& [key, modifiers] : {std::pair{Qt::Key_Return, Qt::NoModifier},
                                       std::pair{Qt::Key_Enter, Qt::KeypadModifier}}) {
    bool open_before = false;
    bool closed_by_key = false;
    WhenModalShows("dlg1012", [&, key = key, modifiers = modifiers](QWidget* widget) {
      auto* dialog = static_cast<QDialog*>(widget);
      // Enter on the tab control presses nothing.
      QTest::keyClick(dialog->findChild<CXTabCtrl*>("ctl1039"), key, modifiers);
      open_before = dialog->isVisible();
      auto* close = dialog->findChild<QPushButton*>("ctl2");
      close->setFocus();
      QTest::keyClick(close, key, modifiers);
      closed_by_key = !dialog->isVisible();
      if (dialog->isVisible()) dialog->reject();
    });
    EXPECT_EQ(TAVSecurityUI_DoSysEventViewer(nullptr), 0);
    EXPECT_TRUE(open_before) << key;
    EXPECT_TRUE(closed_by_key) << key;
  }
}

TEST_F(SystemAuditTest, AnAlteredChainIsReportedUnderTheList) {
  for (int hour : {9, 10, 11}) {
    AppendEvent(MakeSystemEvent(kAuditFailedLogin, "mallory", At(hour)));
  }
  TamperWithLog(
      "UPDATE system_events SET record = (SELECT record FROM system_events WHERE seq = 1) "
      "WHERE seq = 2");
  const Seen seen = Open(&TAVSecurityUI_DoSysEventViewer);
  EXPECT_EQ(seen.chain.rfind("3 events. Chain broken: ", 0), 0u) << seen.chain;
  EXPECT_NE(seen.chain.find("event 2"), std::string::npos) << seen.chain;
}

TEST_F(SystemAuditTest, TheTrailOpensForAUserAllowedToViewAuditTrails) {
  OnlyAdminsViewTrails();
  LogOn("alice", "tav-admins");
  const Seen seen = Open(&TAVSecurityUI_DoSysAuditTrail);
  EXPECT_EQ(seen.tab, 1);
  EXPECT_TRUE(boxes_.boxes().empty());
  // The rights, then the switch: the later change on top, selected and
  // described below with its values, in the configuration dialog's words.
  ASSERT_EQ(seen.trail_rows, 2);
  EXPECT_NE(seen.trail_whats[0].find("21 CFR Part 11 features"), std::string::npos)
      << seen.trail_whats[0];
  EXPECT_NE(seen.trail_whats[1].find("User Group Permissions"), std::string::npos)
      << seen.trail_whats[1];
  EXPECT_NE(seen.detail.find("21 CFR Part 11 features: Off -> On"), std::string::npos)
      << seen.detail;
  EXPECT_EQ(seen.detail.find("21CFREnabledFlag"), std::string::npos) << seen.detail;
  // The viewer on the event log shows the "Enabled 21CFR11" event too.
  EXPECT_NE(std::find(seen.events.begin(), seen.events.end(), "Enabled 21CFR11"),
            seen.events.end());
}

TEST_F(SystemAuditTest, ARefusedTrailKeepsTheViewerOnTheEventLog) {
  OnlyAdminsViewTrails();
  LogOn("bob", "tav-users");
  int after_click = -1;
  const Seen seen = Open(&TAVSecurityUI_DoSysAuditTrail, [&](QDialog* dialog) {
    auto* tabs = dialog->findChild<CXTabCtrl*>("ctl1039");
    EXPECT_EQ(tabs->currentIndex(), 0);
    QTabBar* bar = tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
    QApplication::processEvents();
    after_click = tabs->currentIndex();
    EXPECT_TRUE(tabs->widget(0)->isVisible());
  });
  EXPECT_EQ(seen.tab, 0);
  EXPECT_EQ(after_click, 0);
  // Nothing of the trail was read for the refused user.
  EXPECT_EQ(seen.trail_rows, 0);
  // One refusal on opening and one for the click, not one more for the
  // release of the mouse button.
  ASSERT_EQ(boxes_.boxes().size(), 2u);
  EXPECT_EQ(boxes_.boxes()[0].caption, "Access to this feature is not allowed");
}

TEST_F(SystemAuditTest, TheContextMenuExportsTheSortedRowsAndCopiesTheSelection) {
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "b, jr", At(9)));
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "c\"q\"", At(10)));
  AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, "a", At(11)));
  const std::string path = data_dir_.File("events.csv");
  CAuditListCtrl::SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(path); });
  std::string copied;
  // On the lab store each row ends with its workstation (one role here).
  std::string csv_writer, text_writer, heading;
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    auto* list = dialog->findChild<CAuditListCtrl*>("ctl1037");
    if (list->GetColumnCount() == 4) {
      csv_writer = "," + std::string(list->GetItemText(0, 3));
      text_writer = "\t" + std::string(list->GetItemText(0, 3));
      heading = ",Workstation";
    }
    QHeaderView* header = list->header();
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(1) + 5, header->height() / 2));
    PickFromContextMenu(list, kExportCsvText);
    list->SelectItem(2);  // with row 0, selected on opening
    PickFromContextMenu(list, kCopyRowsText);
    copied = QApplication::clipboard()->text().toStdString();
  });
  CAuditListCtrl::SetSaveFileChooser(nullptr);
  EXPECT_EQ(csv_writer.empty(), !testing::TestsUseLabStore());
  EXPECT_EQ(ReadWholeFile(path),
            "Date & Time,User Login,Event" + heading + "\r\n" + FormatOleDate(At(11)) +
                ",a,Successful Login" + csv_writer + "\r\n" + FormatOleDate(At(9)) +
                ",\"b, jr\",Failed Login" + csv_writer + "\r\n" + FormatOleDate(At(10)) +
                ",\"c\"\"q\"\"\",Failed Login" + csv_writer + "\r\n");
  EXPECT_EQ(copied, FormatOleDate(At(11)) + "\ta\tSuccessful Login" + text_writer + "\n" +
                        FormatOleDate(At(10)) + "\tc\"q\"\tFailed Login" + text_writer + "\n");
}

// The viewer's signed listing is the one tavsec writes, and checks with
// the store's public key; a store without keys gets the listing and a
// warning instead of a signature.
TEST_F(SystemAuditTest, TheContextMenuExportsTheSignedListing) {
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "bob", At(9)));
  AppendEvent(MakeSystemEvent(kAuditSuccessfulLogin, "ann", At(10)));
  const std::string path = data_dir_.File("signed.csv");
  CAuditListCtrl::SetSaveFileChooser([&](QWidget*) { return QString::fromStdString(path); });
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    PickFromContextMenu(dialog->findChild<CAuditListCtrl*>("ctl1037"), kExportSignedText);
  });
  ASSERT_EQ(boxes_.boxes().size(), 1u);
  EXPECT_NE(boxes_.boxes()[0].text.find("the export is not signed"), std::string::npos)
      << boxes_.boxes()[0].text;
  EXPECT_NE(ReadWholeFile(path).find(",bob,Failed Login"), std::string::npos);

  VerificationKey key;
  SigningPublicKey public_key;
  ASSERT_TRUE(CreateSealingKey(data_dir_.path(), 900, false, &key).ok());
  ASSERT_TRUE(CreateServiceKeys(data_dir_.path(), key, false, &public_key).ok());
  Open(&TAVSecurityUI_DoSysEventViewer, [&](QDialog* dialog) {
    PickFromContextMenu(dialog->findChild<CAuditListCtrl*>("ctl1037"), kExportSignedText);
  });
  CAuditListCtrl::SetSaveFileChooser(nullptr);
  EXPECT_EQ(boxes_.boxes().size(), 1u) << boxes_.boxes().back().text;
  const std::string listing = ReadWholeFile(path);
  ExportCheck check;
  const StoreStatus status =
      VerifyExport(listing, ReadWholeFile(path + ".sig"), public_key, &check);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(check.statement.count, 2u);
  EXPECT_EQ(listing, testing::RunCommand(std::string(TAVSEC_PATH) + " events list --format csv").out);
}

TEST_F(SystemAuditTest, TavsecListsTheLogAndTheTrailAsCsvAndJson) {
  AppendEvent(MakeSystemEvent(kAuditFailedLogin, "eve, \"x\"", At(9)));
  const std::string tavsec = TAVSEC_PATH;
  testing::CommandResult csv = testing::RunCommand(tavsec + " events list --format csv");
  EXPECT_EQ(csv.exit_code, 0) << csv.err;
  EXPECT_EQ(csv.out,
            "Number,Date & Time,User Login,Event\r\n"
            "1,2026-12-06 09:00:00,\"eve, \"\"x\"\"\",Failed Login\r\n");
  testing::CommandResult json = testing::RunCommand(tavsec + " events list --format json");
  EXPECT_EQ(json.out,
            "[\n  {\"number\": \"1\", \"date\": \"2026-12-06 09:00:00\", \"user\": "
            "\"eve, \\\"x\\\"\", \"event\": \"Failed Login\"}\n]\n");
  EXPECT_NE(testing::RunCommand(tavsec + " events list --format xml").exit_code, 0);

  testing::CommandResult trail = testing::RunCommand(
      tavsec + " config set idle-timeout 5 --reason 'policy, v2' && " + tavsec +
      " config trail --format csv");
  EXPECT_EQ(trail.exit_code, 0) << trail.err;
  EXPECT_EQ(trail.out.rfind("Number,Date & Time,User Login,What Changed,Reason for Change,"
                            "Description\r\n",
                            0),
            0u)
      << trail.out;
  EXPECT_NE(trail.out.find(",\"policy, v2\","), std::string::npos) << trail.out;
}

}  // namespace
}  // namespace tav
