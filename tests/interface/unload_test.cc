// The library's load and unload steps, run in-process on the interface's
// own objects so that the test can look at the security service's token
// table afterwards.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "TAVSecurityUI.h"
#include "interface/module.h"
#include "services/security/token_table.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"
#include "ui/config_page_ids.h"

namespace tav {
namespace {

TEST(ModuleTest, LoadBuildsThePageArraysAndCleanupReleasesThemOnce) {
  ASSERT_TRUE(ConfigPageIdsBuilt());
  const ConfigPageIds& ids = GetConfigPageIds();
  EXPECT_EQ(ids.activities.size(), 14u);
  EXPECT_EQ(ids.groups, (std::vector<int32_t>{0, 1, 2, 3}));
  EXPECT_EQ(ids.data_types, (std::vector<int32_t>{0, 5, 1, 2, 3, 4}));
  EXPECT_EQ(ids.recording_types, (std::vector<int32_t>{0, 1, 2, 3}));
  TAVSecurityUI_Config21cfr11ArrayCleanup();
  EXPECT_FALSE(ConfigPageIdsBuilt());
  TAVSecurityUI_Config21cfr11ArrayCleanup();
  // A page that opens after the cleanup still gets its arrays.
  EXPECT_EQ(GetConfigPageIds().groups.size(), 4u);
}

TEST(ModuleTest, UnloadAfterLoginLeavesNobodyLoggedOnAndTheTokenClosed) {
  testing::TempDataDir data_dir;
  testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-users"});
  // A host without Qt: the first export that may show a window brings up
  // the library's own application.
  TAV_SKIP_THROUGH_SERVICE("looks into the in-process token table");
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  ASSERT_EQ(TAVSecurityUI_IsUserAllowed(), 1);
  ASSERT_NE(QCoreApplication::instance(), nullptr);

  testing::WhenModalShows("dlg130", [](QWidget* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), "alice");
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), "Alice-Pass1");
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
  });
  ASSERT_EQ(TAVSecurityUI_DoLogin(nullptr, 0, nullptr, nullptr), 0);
  HANDLE token = nullptr;
  ASSERT_EQ(TAVSecurityUI_GetLoginUser(&token, nullptr), 1);
  ASSERT_NE(TokenTable::Global().Find(token), nullptr);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

  UnloadModule();
  EXPECT_EQ(TokenTable::Global().Find(token), nullptr);
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(&token, nullptr), 0);
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "");
  EXPECT_FALSE(ConfigPageIdsBuilt());
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

}  // namespace
}  // namespace tav
