// The tab host and its tab widget driven as a user drives them: pages that
// refuse to be left or shown, with the mouse and with the keyboard, and the
// tab bar following the page that is shown.
#include "controls/tab_page_host.h"

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QSignalBlocker>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>
#include <QVBoxLayout>

#include <memory>
#include <string>
#include <vector>

#include "controls/refusable_tab_widget.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

using Log = std::vector<std::string>;

class FakePage : public QWidget, public ITabPage {
 public:
  FakePage(std::string name, Log* log) : name_(std::move(name)), log_(log) {
    auto* layout = new QVBoxLayout(this);
    edit = new QLineEdit(this);
    layout->addWidget(edit);
  }
  bool CanActivate() override { return can_activate; }
  bool CanDeactivate() override { return can_deactivate; }
  void Activate() override { log_->push_back("activate " + name_); }
  void Deactivate() override { log_->push_back("deactivate " + name_); }

  bool can_activate = true;
  bool can_deactivate = true;
  QLineEdit* edit;

 private:
  std::string name_;
  Log* log_;
};

// A dialog with three pages behind a CXTabCtrl, as the viewers build theirs.
class Dialog : public QWidget, public CTabPageHost {
 public:
  Dialog() : CTabPageHost(this), tabs(new CXTabCtrl(this)) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    for (const char* name : {"A", "B", "C"}) {
      pages.push_back(new FakePage(name, &log));
      tabs->addTab(pages.back(), QString("Page &") + name);
    }
    ConnectTabControl(tabs);
    resize(400, 300);
  }

  ITabPage* GetPage(int index) override {
    return index >= 0 && index < static_cast<int>(pages.size()) ? pages[index] : nullptr;
  }
  int GetCurSel() const override { return tabs->currentIndex(); }
  void SetCurSel(int index) override {
    const QSignalBlocker quiet(tabs);
    tabs->setCurrentIndex(index);
  }

  CXTabCtrl* tabs;
  std::vector<FakePage*> pages;
  Log log;
};

class TabPageHostTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    dialog_ = std::make_unique<Dialog>();
    dialog_->show();
    dialog_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(dialog_.get()));
    dialog_->SelectPage(0);
    dialog_->log.clear();
  }

  void ClickTab(int index) {
    QTabBar* bar = dialog_->tabs->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->tabRect(index).center());
  }

  // The page shown, the tab selected and the host's page agree.
  void ExpectOn(int index) {
    EXPECT_EQ(dialog_->GetCurrentIndex(), index);
    EXPECT_EQ(dialog_->tabs->currentIndex(), index);
    EXPECT_EQ(dialog_->tabs->currentWidget(), dialog_->pages[index]);
  }

  std::unique_ptr<Dialog> dialog_;
};

TEST_F(TabPageHostTest, APageThatRefusesToBeLeftKeepsTheMouseOnItsTab) {
  QSignalSpy changed(dialog_->tabs, &QTabWidget::currentChanged);
  dialog_->pages[0]->can_deactivate = false;
  ClickTab(1);
  ExpectOn(0);
  EXPECT_EQ(changed.count(), 0);
  EXPECT_TRUE(dialog_->log.empty());

  dialog_->pages[0]->can_deactivate = true;
  ClickTab(1);
  ExpectOn(1);
  EXPECT_EQ(dialog_->log, (Log{"deactivate A", "activate B"}));
}

TEST_F(TabPageHostTest, APageThatRefusesToBeLeftKeepsTheKeyboardOnItsTab) {
  dialog_->pages[0]->can_deactivate = false;
  QTabBar* bar = dialog_->tabs->tabBar();
  QTest::keyClick(bar, Qt::Key_Tab, Qt::ControlModifier);
  ExpectOn(0);
  QTest::keyClick(bar, Qt::Key_Right);
  ExpectOn(0);
  QTest::keyClick(dialog_->pages[0]->edit, Qt::Key_PageDown, Qt::ControlModifier);
  ExpectOn(0);
  QTest::keyClick(dialog_.get(), Qt::Key_B, Qt::AltModifier);  // the tab's mnemonic
  ExpectOn(0);
  EXPECT_TRUE(dialog_->log.empty());

  dialog_->pages[0]->can_deactivate = true;
  QTest::keyClick(dialog_->pages[0]->edit, Qt::Key_Tab, Qt::ControlModifier);
  ExpectOn(1);
  QTest::keyClick(bar, Qt::Key_Right);
  ExpectOn(2);
  QTest::keyClick(bar, Qt::Key_Tab, Qt::ControlModifier);  // wraps around
  ExpectOn(0);
  QTest::keyClick(bar, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
  ExpectOn(2);
  QTest::keyClick(bar, Qt::Key_PageUp, Qt::ControlModifier);
  ExpectOn(1);
  QTest::keyClick(dialog_.get(), Qt::Key_A, Qt::AltModifier);
  ExpectOn(0);
}

// SelectPage and a click on a page that refuses to be shown: the user stays
// on the current page and the tab bar goes back to it.
TEST_F(TabPageHostTest, APageThatRefusesToBeShownSendsTheTabBarBack) {
  dialog_->pages[2]->can_activate = false;
  dialog_->SelectPage(2);
  ExpectOn(0);
  ClickTab(2);
  ExpectOn(0);
  EXPECT_TRUE(dialog_->log.empty());
  dialog_->SelectPage(1);
  ExpectOn(1);
  dialog_->SelectPage(7);  // no such page
  ExpectOn(1);
  EXPECT_EQ(dialog_->log, (Log{"deactivate A", "activate B"}));
}

TEST(TabPageHostStartTest, TheFirstPageShownFallsBackToPageZero) {
  ASSERT_TRUE(EnsureGuiApplication());
  {
    Dialog dialog;
    dialog.pages[1]->can_activate = false;
    dialog.SelectPage(1);
    EXPECT_EQ(dialog.GetCurrentIndex(), 0);
    EXPECT_EQ(dialog.tabs->currentIndex(), 0);
    EXPECT_EQ(dialog.log, Log{"activate A"});
  }
  {
    Dialog dialog;
    dialog.SelectPage(2);  // the tab bar follows the page shown
    EXPECT_EQ(dialog.GetCurrentIndex(), 2);
    EXPECT_EQ(dialog.tabs->currentIndex(), 2);
    EXPECT_EQ(dialog.log, Log{"activate C"});
  }
  {
    // Nothing to fall back to: the host stays without a page instead of
    // asking page 0 again for ever.
    Dialog dialog;
    dialog.pages[0]->can_activate = false;
    dialog.SelectPage(0);
    EXPECT_EQ(dialog.GetCurrentIndex(), -1);
    dialog.SelectPage(1);
    EXPECT_EQ(dialog.GetCurrentIndex(), 1);
    EXPECT_EQ(dialog.tabs->currentIndex(), 1);
  }
}

}  // namespace
}  // namespace tav
