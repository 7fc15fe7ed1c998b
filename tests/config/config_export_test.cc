// TAVSecurityUI_showModal21CFR11Dialog through the library, as a host calls
// it: with the features off the machine's administrator (root here) opens
// the dialog; Cancel answers IDCANCEL and changes nothing, OK answers IDOK
// and stores the timeout.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <memory>

#include "TAVSecurityUI.h"
#include "services/config/system_configuration.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

class ConfigExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (geteuid() != 0) GTEST_SKIP() << "only root is the machine's administrator here";
    app_ = std::make_unique<QApplication>(argc_, argv_);
  }

  static void Answer(const char* button, const char* timeout = nullptr) {
    testing::WhenModalShows("dlg102", [button, timeout](QWidget* dialog) {
      if (timeout != nullptr) dialog->findChild<QLineEdit*>("ctl1002")->setText(timeout);
      QTest::mouseClick(dialog->findChild<QPushButton*>(button), Qt::LeftButton);
    });
  }

  testing::TempDataDir dir_;
  int argc_ = 1;
  char arg0_[16] = "config_export";
  char* argv_[2] = {arg0_, nullptr};
  std::unique_ptr<QApplication> app_;
};

TEST_F(ConfigExportTest, CancelAndOk) {
  CSystemConfiguration config;
  ASSERT_EQ(config.SetConfigInt("Idle Timeout", 10), 0);
  Answer("ctl2", "33");
  EXPECT_EQ(TAVSecurityUI_showModal21CFR11Dialog(), 2);
  EXPECT_EQ(config.GetConfigInt("Idle Timeout", -1), 10);
  Answer("ctl1004", "33");
  EXPECT_EQ(TAVSecurityUI_showModal21CFR11Dialog(), 1);
  EXPECT_EQ(config.GetConfigInt("Idle Timeout", -1), 33);
  TAVSecurityUI_Config21cfr11ArrayCleanup();
  TAVSecurityUI_Config21cfr11ArrayCleanup();  // twice does nothing more
}

}  // namespace
}  // namespace tav
