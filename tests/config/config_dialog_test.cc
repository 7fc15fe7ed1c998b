// The 21 CFR Part 11 Configuration dialog driven offscreen as an
// administrator drives it: who may open it, the timeout edit, the feature
// switch, ticking grid cells with the mouse, OK and Cancel, on the
// configuration store of a fresh data directory.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCheckBox>
#include <QDesktopServices>
#include <QImage>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <sqlite3.h>

#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <set>
#include <sstream>
#include <vector>

#include "config/audit_esig_page.h"
#include "config/config_access.h"
#include "config/config_dialog.h"
#include "config/config_help.h"
#include "config/group_permissions_page.h"
#include "config/idle_timeout.h"
#include "config/setting_tables.h"
#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "controls/refusable_tab_widget.h"
#include "controls/report_list_ctrl.h"
#include "logon/access.h"
#include "services/config/group_rights.h"
#include "services/config/system_configuration.h"
#include "services/config/system_table.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/compliance_db.h"
#include "testing/gui_test_support.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

using testing::BoxRecorder;
using testing::WhenModalShows;

// Stand-ins for the logon state, counting the logins asked for.
struct FakeLogon {
  bool secured = true;
  bool logged_on = true;
  bool machine_admin = true;
  std::vector<bool> login_results;    // one per login shown
  std::vector<bool> admin_after;      // the user who logged on
  std::vector<bool> allowed_after;
  int logins = 0;
  int admin_messages = 0;

  ConfigAccessChecks Checks() {
    ConfigAccessChecks checks;
    checks.someone_logged_on = [this] { return logged_on; };
    checks.security_enabled = [this] { return secured; };
    checks.machine_admin = [this] { return machine_admin; };
    checks.log_on = [this](void*) { return login_results.at(logins++); };
    checks.current_user_admin = [this] { return admin_after.at(logins - 1); };
    checks.may_configure = [this] { return allowed_after.at(logins - 1); };
    checks.tell_admin_required = [this](void*) { ++admin_messages; };
    return checks;
  }
};

// The configuration audit trail's events, oldest first.
std::vector<const CAuditEventComp*> Events(CListComp* trail) {
  std::vector<const CAuditEventComp*> out;
  if (trail == nullptr) return out;
  POSITION pos = trail->GetFirstChildPosition();
  while (pos != nullptr) {
    out.push_back(dynamic_cast<const CAuditEventComp*>(trail->GetNextChild(pos)));
  }
  return out;
}

size_t EntryCount(const CAuditEventComp* event) {
  size_t count = 0;
  POSITION pos = event->GetFirstChildPosition();
  while (pos != nullptr) {
    if (dynamic_cast<const CAuditEntryComp*>(event->GetNextChild(pos)) != nullptr) ++count;
  }
  return count;
}

class ConfigDialogTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(EnsureGuiApplication()); }

  // Opens the dialog and runs `act` on it once it shows.
  int Run(std::function<void(CConfigurationDialog*)> act) {
    WhenModalShows("dlg102", [act](QWidget* w) { act(static_cast<CConfigurationDialog*>(w)); });
    CConfigurationDialog dialog(config_);
    return dialog.Run(logon_.Checks());
  }

  static QLineEdit* Timeout(QWidget* d) { return d->findChild<QLineEdit*>("ctl1002"); }
  static void Press(QWidget* d, const char* name) {
    QTest::mouseClick(d->findChild<QPushButton*>(name), Qt::LeftButton);
  }
  static void ClickBox(QCheckBox* box) {
    QTest::mouseClick(box, Qt::LeftButton, Qt::NoModifier, QPoint(6, box->height() / 2));
  }
  static void ClickCell(CXListCtrl* grid, int row, int column) {
    grid->scrollTo(grid->model()->index(row, column));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, Qt::NoModifier,
                      grid->CellRect(row, column).center());
  }

  testing::TempDataDir dir_;
  CSystemConfiguration config_;
  FakeLogon logon_;
};

TEST_F(ConfigDialogTest, WhoMayOpen) {
  // Features off: the machine's administrator only.
  logon_.secured = false;
  logon_.machine_admin = false;
  EXPECT_EQ(AdmitConfigurationUser(logon_.Checks(), nullptr), false);
  EXPECT_EQ(logon_.admin_messages, 1);
  logon_.machine_admin = true;
  EXPECT_TRUE(AdmitConfigurationUser(logon_.Checks(), nullptr));
  // Features on, somebody logged on: no check.
  logon_.secured = true;
  EXPECT_TRUE(AdmitConfigurationUser(logon_.Checks(), nullptr));
  EXPECT_EQ(logon_.logins, 0);
  // Nobody logged on: logins until a permitted user comes or it is cancelled.
  logon_.logged_on = false;
  logon_.login_results = {true, true, true};
  logon_.admin_after = {false, false, true};
  logon_.allowed_after = {false, false, false};
  EXPECT_TRUE(AdmitConfigurationUser(logon_.Checks(), nullptr));
  EXPECT_EQ(logon_.logins, 3);
  logon_.logins = 0;
  logon_.login_results = {true, false};
  EXPECT_FALSE(AdmitConfigurationUser(logon_.Checks(), nullptr));
  EXPECT_EQ(logon_.logins, 2);
}

TEST_F(ConfigDialogTest, RefusedUserNeverSeesTheDialog) {
  logon_.secured = false;
  logon_.machine_admin = false;
  CConfigurationDialog dialog(config_);
  EXPECT_EQ(dialog.Run(logon_.Checks()), QDialog::Rejected);
  EXPECT_EQ(logon_.admin_messages, 1);
  EXPECT_EQ(dialog.PermissionsPage(), nullptr);
}

TEST_F(ConfigDialogTest, TimeoutTexts) {
  ASSERT_EQ(config_.SetConfigInt(kIdleTimeoutSetting, 30), 0);
  struct Case {
    const char* text;
    int stored;  // -1: refused with the range message
  };
  const Case cases[] = {{" 15 ", 15}, {"+7", 7}, {"007", 7},  {"7x", -1}, {"1 2", -1},
                        {"", -1},     {"-1", -1}, {"0", 0},  {"600", 600}, {"601", -1}};
  for (const Case& c : cases) {
    BoxRecorder boxes;
    ASSERT_EQ(config_.SetConfigInt(kIdleTimeoutSetting, 30), 0);
    QString shown;
    const int result = Run([&](CConfigurationDialog* d) {
      EXPECT_EQ(d->windowTitle(), "21 CFR Part 11 Configuration");
      EXPECT_EQ(Timeout(d)->text(), "30");
      Timeout(d)->setText(c.text);
      Press(d, "ctl1004");
      shown = Timeout(d)->text();
      if (d->isVisible()) Press(d, "ctl2");
    });
    if (c.stored >= 0) {
      EXPECT_EQ(result, QDialog::Accepted) << c.text;
      EXPECT_TRUE(boxes.boxes().empty()) << c.text;
      EXPECT_EQ(shown, QString::number(c.stored)) << c.text;
      EXPECT_EQ(config_.GetConfigInt(kIdleTimeoutSetting, -5), c.stored) << c.text;
    } else {
      EXPECT_EQ(result, QDialog::Rejected) << c.text;
      ASSERT_EQ(boxes.boxes().size(), 1u) << c.text;
      EXPECT_EQ(boxes.boxes()[0].text, TimeoutRangeText());
      EXPECT_EQ(boxes.boxes()[0].caption, "Number Out Of Range");
      EXPECT_EQ(config_.GetConfigInt(kIdleTimeoutSetting, -5), 30) << c.text;
    }
  }
}

TEST_F(ConfigDialogTest, SwitchDisablesTabsAndOkSwitchesFeaturesOff) {
  ASSERT_EQ(config_.Set21CFREnabled(1), 0);
  const int result = Run([](CConfigurationDialog* d) {
    auto* box = d->findChild<QCheckBox*>("ctl1001");
    auto* tabs = d->findChild<CXTabCtrl*>("ctl1000");
    EXPECT_TRUE(box->isChecked());
    EXPECT_TRUE(tabs->isEnabled());
    EXPECT_EQ(tabs->count(), 2);
    EXPECT_EQ(tabs->tabText(0), "User Group Permissions");
    EXPECT_EQ(tabs->tabText(1), "Auditing and E-Signatures");
    ClickBox(box);
    EXPECT_FALSE(tabs->isEnabled());
    ClickBox(box);
    EXPECT_TRUE(tabs->isEnabled());
    ClickBox(box);
    QTest::keyClick(Timeout(d), Qt::Key_Return);  // OK is the default button
  });
  EXPECT_EQ(result, QDialog::Accepted);
  EXPECT_EQ(config_.Is21CFREnabled(), 0);
}

// The grants as an administrator reads them from `tavsec config show`: one
// "group: activity line" per grant.
std::set<std::string> ShownGrants() {
  const testing::CommandResult shown = testing::RunCommand(std::string(TAVSEC_PATH) + " config show");
  EXPECT_EQ(shown.exit_code, 0) << shown.err;
  std::set<std::string> grants;
  std::istringstream lines(shown.out);
  std::string line, group;
  bool in_rights = false;
  while (std::getline(lines, line)) {
    if (line.rfind("Rights of the user groups", 0) == 0) {
      in_rights = true;
    } else if (in_rights && line.rfind("    ", 0) == 0) {
      grants.insert(group + line);
    } else if (in_rights && line.rfind("  ", 0) == 0) {
      group = line;
    } else if (in_rights) {
      in_rights = false;
    }
  }
  return grants;
}

TEST_F(ConfigDialogTest, RightsTickIsSavedAndUnshownGrantsSurvive) {
  const std::string operators = SystemTable::GetGroupName(kGroupOperators);
  CTAVGroupRightsArray stored;
  stored.Grant("lab-auditors", kActivityViewAuditTrails);
  stored.Grant(SystemTable::GetGroupName(kGroupUsers), kActivityExportData);
  stored.Grant(operators, kActivityCreateDocuments);
  for (int group = 0; group < kRightsGroupCount; ++group) {
    stored.AddGroup(SystemTable::GetGroupName(group));
  }
  ASSERT_EQ(config_.WriteActivityGroupArray(stored), 0);
  const size_t events_before = Events(config_.GetAuditTrail()).size();
  const std::set<std::string> shown_before = ShownGrants();

  const int result = Run([](CConfigurationDialog* d) {
    CXListCtrl* grid = d->PermissionsPage()->Grid();
    EXPECT_EQ(grid->GetColumnCount(), 5);
    EXPECT_EQ(grid->GetItemCount(), 14);
    EXPECT_EQ(grid->GetCheckbox(kActivityCreateDocuments, kGroupOperators + 1), 1);
    ClickCell(grid, kActivityCreateDocuments, kGroupOperators + 1);  // revoke
    ClickCell(grid, kActivityStartRun, kGroupAnalysts + 1);           // grant
    EXPECT_EQ(grid->GetCheckbox(kActivityStartRun, kGroupAnalysts + 1), 1);
    Press(d, "ctl1004");
  });
  EXPECT_EQ(result, QDialog::Accepted);
  // One audited change of the rights with its two entries, by the acting
  // user; the untouched kinds audit nothing.
  const auto events = Events(config_.GetAuditTrail());
  ASSERT_EQ(events.size(), events_before + 1);
  EXPECT_EQ(events.back()->GetEvent().GetUserName(), ActingUserName());
  EXPECT_EQ(EntryCount(events.back()), 2u);
  CTAVGroupRightsArray after;
  ASSERT_EQ(config_.ReadActivityGroupArray(after), 0);
  EXPECT_TRUE(after.IsGranted("lab-auditors", kActivityViewAuditTrails));
  EXPECT_TRUE(after.IsGranted(SystemTable::GetGroupName(kGroupUsers), kActivityExportData));
  EXPECT_FALSE(after.IsGranted(operators, kActivityCreateDocuments));
  EXPECT_TRUE(after.IsGranted(SystemTable::GetGroupName(kGroupAnalysts), kActivityStartRun));

  // What an administrator reads back differs by exactly the two clicks.
  const std::set<std::string> shown_after = ShownGrants();
  std::vector<std::string> gone, added;
  std::set_difference(shown_before.begin(), shown_before.end(), shown_after.begin(),
                      shown_after.end(), std::back_inserter(gone));
  std::set_difference(shown_after.begin(), shown_after.end(), shown_before.begin(),
                      shown_before.end(), std::back_inserter(added));
  ASSERT_EQ(gone.size(), 1u);
  ASSERT_EQ(added.size(), 1u);
  EXPECT_NE(gone[0].find(operators + ":"), std::string::npos) << gone[0];
  EXPECT_NE(gone[0].find(SystemTable::GetActivityName(kActivityCreateDocuments)), std::string::npos);
  EXPECT_NE(added[0].find(SystemTable::GetGroupName(kGroupAnalysts) + ":"), std::string::npos);
  EXPECT_NE(added[0].find(SystemTable::GetActivityName(kActivityStartRun)), std::string::npos);
}

TEST_F(ConfigDialogTest, CancelSavesNothing) {
  ASSERT_EQ(config_.Set21CFREnabled(1), 0);
  ASSERT_EQ(config_.SetConfigInt(kIdleTimeoutSetting, 20), 0);
  CTAVGroupRightsArray before;
  ASSERT_EQ(config_.ReadActivityGroupArray(before), 0);
  const int result = Run([](CConfigurationDialog* d) {
    ClickCell(d->PermissionsPage()->Grid(), 0, 1);
    ClickBox(d->findChild<QCheckBox*>("ctl1001"));
    Timeout(d)->setText("45");
    Press(d, "ctl2");
  });
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(config_.Is21CFREnabled(), 1);
  EXPECT_EQ(config_.GetConfigInt(kIdleTimeoutSetting, 0), 20);
  CTAVGroupRightsArray after;
  ASSERT_EQ(config_.ReadActivityGroupArray(after), 0);
  EXPECT_EQ(after, before);
}

// Enter on a focused push button presses that button; only elsewhere does
// it press OK, the default button.
TEST_F(ConfigDialogTest, EnterPressesTheFocusedButton) {
  ASSERT_EQ(config_.SetConfigInt(kIdleTimeoutSetting, 20), 0);
  const size_t events_before = Events(config_.GetAuditTrail()).size();
  const std::string help = dir_.File("help");
  ASSERT_EQ(::mkdir(help.c_str(), 0700), 0);
  std::fclose(std::fopen((help + "/config-6010.html").c_str(), "w"));
  ::setenv("TAV_HELP_DIR", help.c_str(), 1);
  // Stands in for the browser: shows the page it is asked to open.
  QTextBrowser browser;
  QDesktopServices::setUrlHandler("file", &browser, "setSource");

  bool open_after_help = false;
  const int result = Run([&](CConfigurationDialog* d) {
    Timeout(d)->setFocus();
    Timeout(d)->selectAll();
    QTest::keyClicks(Timeout(d), "45");
    for (const char* name : {"ctl1040", "ctl2"}) {
      auto* button = d->findChild<QPushButton*>(name);
      button->setFocus(Qt::TabFocusReason);
      QTest::keyClick(button, Qt::Key_Return);
      if (button->objectName() == "ctl1040") open_after_help = d->isVisible();
      if (!d->isVisible()) return;
    }
  });
  QDesktopServices::unsetUrlHandler("file");
  ::unsetenv("TAV_HELP_DIR");
  EXPECT_TRUE(open_after_help);
  EXPECT_EQ(browser.source(), QUrl::fromLocalFile(QString::fromStdString(help + "/config-6010.html")));
  EXPECT_EQ(result, QDialog::Rejected);
  EXPECT_EQ(config_.GetConfigInt(kIdleTimeoutSetting, 0), 20);
  EXPECT_EQ(Events(config_.GetAuditTrail()).size(), events_before);

  // Back in the timeout edit, Enter is OK again.
  EXPECT_EQ(Run([](CConfigurationDialog* d) {
              Timeout(d)->setText("45");
              d->findChild<QPushButton*>("ctl2")->setFocus(Qt::TabFocusReason);
              Timeout(d)->setFocus(Qt::TabFocusReason);
              QTest::keyClick(Timeout(d), Qt::Key_Return);
            }),
            QDialog::Accepted);
  EXPECT_EQ(config_.GetConfigInt(kIdleTimeoutSetting, 0), 45);
}

// The dialog saves what the administrator changed since it opened. A host
// that asks the process's configuration object a question meanwhile must not
// move what the dialog's save is measured against.
TEST_F(ConfigDialogTest, HostQueryWhileOpenKeepsAnotherWritersChange) {
  ASSERT_EQ(config_.Set21CFREnabled(1), 0);
  int asked = -1;
  WhenModalShows("dlg102", [&](QWidget* w) {
    // Another workstation asks for a reason for changes of templates.
    CTAVAuditDataTypeSettingArray audit;
    ASSERT_EQ(config_.ReadAuditTypeSettingArray(audit), 0);
    audit.Add(kDataTypeTemplate, kRecordingReasonRequired);
    ASSERT_EQ(config_.WriteAuditTypeSettingArray(audit), 0);
    asked = IsAuditRecordingForDataType(kDataTypeTemplate);
    Press(w, "ctl1004");
  });
  const size_t events_before = Events(config_.GetAuditTrail()).size() + 1;
  CConfigurationDialog dialog(theSystemConfig);
  EXPECT_EQ(dialog.Run(logon_.Checks()), QDialog::Accepted);
  EXPECT_EQ(asked, 1);
  CTAVAuditDataTypeSettingArray stored;
  ASSERT_EQ(config_.ReadAuditTypeSettingArray(stored), 0);
  EXPECT_EQ(stored.GetRecordingType(kDataTypeTemplate), kRecordingReasonRequired);
  // The other writer's change is the only one: the dialog changed nothing.
  EXPECT_EQ(Events(config_.GetAuditTrail()).size(), events_before);
}

TEST_F(ConfigDialogTest, FailedSaveKeepsTheDialogOpenAndChangesNothing) {
  TAV_SKIP_ON_LAB_STORE("locks the database file");
  // The database takes its wait for locks when it opens.
  const auto saved = ComplianceDb::BusyTimeout();
  ComplianceDb::SetBusyTimeout(std::chrono::milliseconds(200));
  ASSERT_EQ(config_.Set21CFREnabled(1), 0);
  ASSERT_EQ(config_.SetConfigInt(kIdleTimeoutSetting, 20), 0);
  ComplianceDb::SetBusyTimeout(saved);
  CTAVGroupRightsArray before;
  ASSERT_EQ(config_.ReadActivityGroupArray(before), 0);
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());

  BoxRecorder boxes;
  bool open_after_failure = false;
  const int result = Run([&](CConfigurationDialog* d) {
    ClickCell(d->PermissionsPage()->Grid(), 0, 1);
    ClickBox(d->findChild<QCheckBox*>("ctl1001"));
    Timeout(d)->setText("45");
    // Another program holds the database past the wait.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(db->path().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    Press(d, "ctl1004");
    sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(other);
    open_after_failure = d->isVisible();
    Press(d, "ctl2");
  });
  EXPECT_TRUE(open_after_failure);
  EXPECT_EQ(result, QDialog::Rejected);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, kSaveFailedCaption);
  EXPECT_EQ(config_.Is21CFREnabled(), 1);
  EXPECT_EQ(config_.GetConfigInt(kIdleTimeoutSetting, 0), 20);
  CTAVGroupRightsArray after;
  ASSERT_EQ(config_.ReadActivityGroupArray(after), 0);
  EXPECT_EQ(after, before);
}

// Row of a file type in the upper grid (types in the order 0, 5, 1, 2, 3, 4).
int RowOf(int type) {
  const int order[] = {0, 5, 1, 2, 3, 4};
  for (int row = 0; row < 6; ++row) {
    if (order[row] == type) return row;
  }
  return -1;
}

TEST_F(ConfigDialogTest, AuditingTicks) {
  CTAVAuditDataTypeSettingArray audit;
  audit.Add(kDataTypeTemplate, 3);
  audit.Add(kDataTypeAnalysisSettings, 0);
  ASSERT_EQ(config_.WriteAuditTypeSettingArray(audit), 0);
  CESigSettingTable esig;
  const std::vector<int> template_keys = esig.ItemKeys(kDataTypeTemplate);
  const std::vector<int> settings_keys = esig.ItemKeys(kDataTypeAnalysisSettings);
  ASSERT_FALSE(template_keys.empty());
  ASSERT_FALSE(settings_keys.empty());
  esig.SetSetting(kDataTypeTemplate, template_keys[0], 2);
  ASSERT_EQ(esig.Save(config_), 0);

  const int result = Run([&](CConfigurationDialog* d) {
    CAuditESigPage* page = d->AuditPage();
    d->findChild<CXTabCtrl*>("ctl1000")->setCurrentIndex(1);
    CXListCtrl* upper = page->UpperGrid();
    CXListCtrl* lower = page->LowerGrid();
    EXPECT_EQ(page->SelectedUpperRow(), 2);
    const int t = RowOf(kDataTypeTemplate);
    EXPECT_EQ(upper->GetCheckbox(t, 1), 1);
    EXPECT_EQ(upper->GetCheckbox(t, 2), 0);
    EXPECT_EQ(upper->GetCheckbox(t, 3), 1);
    // A fixed row's box does not change.
    ClickCell(upper, RowOf(kDataTypeRunFile), 1);
    EXPECT_EQ(upper->GetCheckbox(RowOf(kDataTypeRunFile), 1), 1);
    // Selecting templates shows their signature settings.
    page->SelectUpperRow(t);
    EXPECT_EQ(page->ShownType(), kDataTypeTemplate);
    EXPECT_EQ(lower->GetItemCount(), static_cast<int>(template_keys.size()));
    EXPECT_EQ(lower->GetCheckbox(0, 2), 1);
    // Unticking auditing clears the reasons and every signature tick.
    ClickCell(upper, t, 1);
    EXPECT_EQ(upper->GetCheckbox(t, 3), 0);
    EXPECT_EQ(lower->GetCheckbox(0, 2), 0);
    // Reports have no signature activities.
    page->SelectUpperRow(RowOf(kDataTypeReport));
    EXPECT_EQ(lower->GetItemCount(), 0);
    // A signature tick for analysis settings turns their auditing on.
    page->SelectUpperRow(RowOf(kDataTypeAnalysisSettings));
    EXPECT_EQ(upper->GetCheckbox(RowOf(kDataTypeAnalysisSettings), 1), 0);
    ClickCell(lower, 0, 1);
    EXPECT_EQ(upper->GetCheckbox(RowOf(kDataTypeAnalysisSettings), 1), 1);
    Press(d, "ctl1004");
  });
  EXPECT_EQ(result, QDialog::Accepted);
  CTAVAuditDataTypeSettingArray stored;
  ASSERT_EQ(config_.ReadAuditTypeSettingArray(stored), 0);
  EXPECT_EQ(stored.GetRecordingType(kDataTypeTemplate), 0);
  EXPECT_EQ(stored.GetRecordingType(kDataTypeAnalysisSettings), 1);
  EXPECT_EQ(stored.GetRecordingType(kDataTypeRunFile), 1);
  EXPECT_EQ(stored.GetRecordingType(kDataTypeMethod), 1);
  CESigSettingTable loaded;
  ASSERT_EQ(loaded.Load(config_), 0);
  EXPECT_EQ(loaded.GetSetting(kDataTypeTemplate, template_keys[0]), 0);
  EXPECT_EQ(loaded.GetSetting(kDataTypeAnalysisSettings, settings_keys[0]), 1);
}

// The rows of the file types that are always audited are shown fixed:
// their boxes greyed and not clickable, with a tooltip that says why, while
// the row can still be selected for its signature activities.
TEST_F(ConfigDialogTest, AlwaysAuditedRowsAreFixed) {
  CTAVAuditDataTypeSettingArray audit;
  audit.Add(kDataTypeTemplate, 1);
  ASSERT_EQ(config_.WriteAuditTypeSettingArray(audit), 0);
  const int result = Run([&](CConfigurationDialog* d) {
    CAuditESigPage* page = d->AuditPage();
    d->findChild<CXTabCtrl*>("ctl1000")->setCurrentIndex(1);
    CXListCtrl* upper = page->UpperGrid();
    const int fixed = RowOf(kDataTypeRunFile);
    const int open = RowOf(kDataTypeTemplate);
    page->SelectUpperRow(RowOf(kDataTypeReport));
    QApplication::processEvents();

    for (int column = 0; column <= 3; ++column) {
      const QModelIndex cell = upper->model()->index(fixed, column);
      EXPECT_EQ(cell.data(Qt::ToolTipRole).toString(), "always audited") << column;
      if (column > 0) {
        EXPECT_FALSE(upper->model()->flags(cell) & Qt::ItemIsUserCheckable) << column;
      }
    }
    EXPECT_TRUE(upper->model()->flags(upper->model()->index(open, 1)) & Qt::ItemIsUserCheckable);
    // Both boxes ticked; only the fixed one is drawn disabled.
    ASSERT_EQ(upper->GetCheckbox(fixed, 1), 1);
    ASSERT_EQ(upper->GetCheckbox(open, 1), 1);
    const QImage fixed_box = upper->viewport()->grab(upper->CellRect(fixed, 1)).toImage();
    const QImage open_box = upper->viewport()->grab(upper->CellRect(open, 1)).toImage();
    EXPECT_NE(fixed_box, open_box);

    QSignalSpy clicked(upper, &CXListCtrl::checkboxClicked);
    for (int column = 1; column <= 3; ++column) ClickCell(upper, fixed, column);
    EXPECT_EQ(clicked.count(), 0);
    EXPECT_EQ(upper->GetCheckbox(fixed, 1), 1);
    EXPECT_EQ(upper->GetCheckbox(fixed, 2), 0);
    // The click selected the row: its signature activities are shown.
    EXPECT_EQ(page->SelectedUpperRow(), fixed);
    EXPECT_EQ(page->ShownType(), kDataTypeRunFile);
    Press(d, "ctl2");
  });
  EXPECT_EQ(result, QDialog::Rejected);
}

TEST_F(ConfigDialogTest, HelpPagesAreFoundOrNothingHappens) {
  const std::string help = dir_.File("help");
  ASSERT_EQ(::mkdir(help.c_str(), 0700), 0);
  ::setenv("TAV_HELP_DIR", help.c_str(), 1);
  EXPECT_TRUE(FindHelpPage(kHelpPermissionsTab).isEmpty());
  EXPECT_FALSE(ShowHelp(kHelpPermissionsTab));  // missing: nothing shown
  FILE* page = std::fopen((help + "/config-6040.html").c_str(), "w");
  ASSERT_NE(page, nullptr);
  std::fclose(page);
  EXPECT_EQ(FindHelpPage(kHelpPermissionsTab), QString::fromStdString(help + "/config-6040.html"));
  EXPECT_TRUE(FindHelpPage(1234).isEmpty());
  ::unsetenv("TAV_HELP_DIR");
}

}  // namespace
}  // namespace tav
