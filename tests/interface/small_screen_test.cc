// Every dialog of the library on a small screen: a 1920 x 1080 screen at
// 200% leaves windows about 960 x 510 logical pixels (small_screen.json,
// given to the offscreen platform). Each dialog must open inside that area
// with its buttons reachable, scrolled to if need be, and close with them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QTest>

#include <functional>
#include <memory>
#include <string>

#include "TAVSecurityUI.h"
#include "services/config/system_configuration.h"
#include "services/config/system_ids.h"
#include "testing/gui_test_support.h"
#include "testing/qt_host.h"
#include "testing/temp_data_dir.h"

namespace {

using tav::testing::WhenModalShows;

std::string Describe(const QRect& r) {
  return std::to_string(r.x()) + "," + std::to_string(r.y()) + " " + std::to_string(r.width()) +
         "x" + std::to_string(r.height());
}

// What the test saw of a dialog: whether it lay inside the screen's
// available area, and which of its buttons could not be reached.
struct Fit {
  bool shown = false;
  std::string dialog;
  std::string area;
  bool inside = false;
  std::string unreachable;
};

// Checks `dialog` as a user would see it, then clicks `close_button`.
void CheckAndClose(QWidget* dialog, const char* close_button, Fit* fit) {
  fit->shown = true;
  const QRect area = dialog->screen()->availableGeometry();
  fit->dialog = Describe(dialog->frameGeometry());
  fit->area = Describe(area);
  fit->inside = area.contains(dialog->frameGeometry());
  for (QPushButton* button : dialog->findChildren<QPushButton*>()) {
    if (!button->isVisibleTo(dialog)) continue;
    // A button in a scroll area is reached by scrolling to it.
    for (QWidget* up = button->parentWidget(); up != nullptr && up != dialog;
         up = up->parentWidget()) {
      if (auto* scroll = qobject_cast<QScrollArea*>(up)) scroll->ensureWidgetVisible(button, 0, 0);
    }
    const QRect shown = button->visibleRegion().boundingRect();
    if (shown.size() != button->size()) fit->unreachable += button->objectName().toStdString() + " ";
  }
  QTest::mouseClick(dialog->findChild<QPushButton*>(close_button), Qt::LeftButton);
}

class SmallScreenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(QGuiApplication::primaryScreen()->availableGeometry().size(), QSize(960, 510))
        << "the offscreen platform did not take small_screen.json";
    tav::testing::AddLocalAccount("bob", "Bob-Pass2", {"tav-admins"}, "Bob Builder", true);
  }
  void TearDown() override { TAVSecurityUI_DoLogout(); }

  // Opens the dialog `name` through `open` and checks it.
  static Fit Open(const char* name, const char* close_button, const std::function<void()>& open) {
    Fit fit;
    WhenModalShows(name, [&](QWidget* dialog) { CheckAndClose(dialog, close_button, &fit); });
    open();
    return fit;
  }

  static void LogOnBob() {
    WhenModalShows("dlg130", [](QWidget* dialog) {
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), "bob");
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), "Bob-Pass2");
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
    });
    ASSERT_EQ(TAVSecurityUI_DoLogin(nullptr, 0, nullptr, nullptr), 0);
  }

  tav::testing::TempDataDir data_dir_;
};

#define EXPECT_FITS(fit)                                                              \
  do {                                                                                \
    EXPECT_TRUE((fit).shown);                                                         \
    EXPECT_TRUE((fit).inside) << (fit).dialog << " is not inside " << (fit).area;     \
    EXPECT_EQ((fit).unreachable, "") << "buttons out of reach in " << (fit).dialog;   \
  } while (0)

TEST_F(SmallScreenTest, TheLoginDialogFits) {
  EXPECT_FITS(Open("dlg130", "ctl2", [] { TAVSecurityUI_DoLogin(nullptr, 0, nullptr, nullptr); }));
}

TEST_F(SmallScreenTest, TheConfigurationDialogFits) {
  ASSERT_EQ(tav::theSystemConfig.Set21CFREnabled(1), 0);
  LogOnBob();
  EXPECT_FITS(Open("dlg102", "ctl2", [] { TAVSecurityUI_showModal21CFR11Dialog(); }));
}

TEST_F(SmallScreenTest, TheElectronicSignatureDialogFits) {
  LogOnBob();
  TAVSecurityUI_AddESignatureGroup("tav-admins");
  TAVSecurityUI_InitESignatureReasons();
  TAVSecurityUI_SetESignatureRootPath(data_dir_.File("signatures").c_str());
  ESigInfo info = {};
  HANDLE previous = nullptr;
  EXPECT_FITS(Open("dlg131", "ctl2", [&] {
    TAVSecurityUI_BeginESignature(nullptr, nullptr, "plate-42", 1, 0, nullptr, &info, &previous,
                                  tav::kDataTypeRunFile);
  }));
  TAVSecurityUI_freeESigInfo(&info);
  TAVSecurityUI_ResetESignatureGroups();
  TAVSecurityUI_ResetESignatureReasons();
}

TEST_F(SmallScreenTest, TheSystemAuditViewerFits) {
  EXPECT_FITS(Open("dlg1012", "ctl2", [] { TAVSecurityUI_DoSysEventViewer(nullptr); }));
}

TEST_F(SmallScreenTest, TheRunListManagerFits) {
  EXPECT_FITS(Open("dlg1008", "ctl2", [] { TAVSecurityUI_DoRunListManager(nullptr); }));
}

}  // namespace
