// A logon whose password must be changed, or has expired: the User Login
// dialog shows its message as for any refusal, then the Change Password
// dialog asks for a new password twice; the logon goes on with the new one,
// and the old one no longer works.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <ctime>
#include <memory>

#include "logon/auth_error.h"
#include "logon/change_password_dialog.h"
#include "logon/user_login_dialog.h"
#include "services/security/account_store.h"
#include "services/security/korwinsec.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/data_dir.h"
#include "util/stealth.h"

namespace tav {
namespace {

using testing::BoxRecorder;

constexpr char kOld[] = "Velvet-Compass-Ridge-58";
constexpr char kNew[] = "Brisk-Harbor-Lantern-93";

class RecordingBackend : public LogonBackend {
 public:
  StoreStatus AddSystemEvent(int code, const std::string& user_name) override {
    events.push_back(std::to_string(code) + " " + user_name);
    return LogonBackend::AddSystemEvent(code, user_name);
  }
  std::vector<std::string> events;
};

class ChangePasswordDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_THROUGH_SERVICE("a backend that stands in for the service and records its events");
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    testing::AddLocalAccount("hank", kOld, {"tav-users"}, "Hank Hill");
    // hank's administrator set the password: it must change.
    DataDirChoice choice;
    ASSERT_TRUE(LocateDataDir(&choice).ok());
    std::unique_ptr<AccountStore> store;
    std::string error;
    ASSERT_EQ(AccountStore::Open(choice.path + "/" + kAccountsDbFile,
                                 AccountStore::Mode::kReadWrite, &store, &error),
              AccountStore::Status::kOk);
    ASSERT_EQ(store->Expire("hank", &error), AccountStore::Status::kOk);
  }

  // Types the old password into a login dialog for hank and clicks OK.
  void LogOn(UserLoginDialog& dialog) {
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(dialog.findChild<QLineEdit*>("ctl1003"), kOld);
    QTest::mouseClick(dialog.findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
  }

  static void Type(QWidget* dialog, const char* first, const char* second) {
    auto* new_field = dialog->findChild<QLineEdit*>("ctl1005");
    auto* confirm_field = dialog->findChild<QLineEdit*>("ctl1006");
    ASSERT_NE(new_field, nullptr);
    ASSERT_NE(confirm_field, nullptr);
    new_field->setText(first);
    confirm_field->setText(second);
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1"), Qt::LeftButton);
  }

  testing::TempDataDir data_dir_;
  RecordingBackend backend_;
};

TEST_F(ChangePasswordDialogTest, TheLogonGoesOnWithTheNewPasswordAfterEveryRuleIsMet) {
  BoxRecorder boxes;
  std::string title;
  std::string prompt;
  bool fields_cleared = false;
  testing::WhenModalShows("dlg135", [&](QWidget* dialog) {
    title = dialog->windowTitle().toStdString();
    prompt = dialog->findChild<QLabel*>("ctl1020")->text().toStdString();
    Type(dialog, kNew, "Brisk-Harbor-Lantern-94");  // a typing slip
    fields_cleared = dialog->findChild<QLineEdit*>("ctl1005")->text().isEmpty();
    Type(dialog, "hank-2026", "hank-2026");         // too short, and the name
    Type(dialog, kOld, kOld);                       // the old one again
    Type(dialog, kNew, kNew);
  });
  UserLoginDialog dialog(nullptr, backend_, "hank", "");
  LogOn(dialog);

  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(title, "Change Password");
  EXPECT_EQ(prompt, kPasswordMustChangePrompt);
  EXPECT_TRUE(fields_cleared);
  ASSERT_EQ(boxes.boxes().size(), 4u);
  EXPECT_EQ(boxes.boxes()[0].caption, "Windows System Authentication error");
  EXPECT_EQ(boxes.boxes()[0].text, AuthenticationErrorText(1907));
  EXPECT_NE(boxes.boxes()[0].text.find("The user's password must be changed before signing in."),
            std::string::npos);
  EXPECT_EQ(boxes.boxes()[1].text, kPasswordsDifferText);
  EXPECT_NE(boxes.boxes()[2].text.find("does not meet the length, complexity, or history"),
            std::string::npos)
      << boxes.boxes()[2].text;
  EXPECT_NE(boxes.boxes()[2].text.find("shorter than 12 characters"), std::string::npos);
  EXPECT_NE(boxes.boxes()[3].text.find("the same as the old one"), std::string::npos)
      << boxes.boxes()[3].text;
  // The refusal at logon, the two refused new passwords, the change, the
  // logon; the typing slip asked nothing.
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"6 hank", "6 hank", "6 hank", "17 hank",
                                                       "10 hank"}));
  EXPECT_EQ(dialog.TakePassword().view(), kNew) << "the logon impersonates with the new one";

  EXPECT_EQ(KorWinSec_aAuthenticateUser("hank", "", kOld), 1326);
  EXPECT_EQ(KorWinSec_aAuthenticateUser("hank", "", kNew), 0);
}

TEST_F(ChangePasswordDialogTest, CancelLeavesTheLogonRefusedAndThePasswordAsItWas) {
  BoxRecorder boxes;
  testing::WhenModalShows("dlg135", [](QWidget* dialog) {
    dialog->findChild<QLineEdit*>("ctl1005")->setText(kNew);
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
  });
  UserLoginDialog dialog(nullptr, backend_, "hank", "");
  LogOn(dialog);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.focusWidget()->objectName(), "ctl1002");
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"6 hank"}));
  EXPECT_EQ(KorWinSec_aAuthenticateUser("hank", "", kOld), 1907);
  dialog.reject();
}

// In the warning period (14 days by default) a logon says when the password
// expires, and goes on.
TEST_F(ChangePasswordDialogTest, ALogonInTheWarningPeriodIsToldWhenThePasswordExpires) {
  const int64_t now = static_cast<int64_t>(std::time(nullptr));
  testing::AddLocalAccount("ivy", kOld, {"tav-users"}, "Ivy", false, "", now - 80 * 86400);
  testing::AddLocalAccount("jim", kOld, {"tav-users"}, "Jim", false, "", now - 70 * 86400);
  BoxRecorder boxes;
  for (const char* name : {"ivy", "jim"}) {
    UserLoginDialog dialog(nullptr, backend_, name, "");
    LogOn(dialog);
    EXPECT_EQ(dialog.result(), QDialog::Accepted) << name;
  }
  ASSERT_EQ(boxes.boxes().size(), 1u) << "jim's 20 days are outside the warning period";
  EXPECT_EQ(boxes.boxes()[0].text,
            "Your password expires in 10 days. After that you must choose a new one when you "
            "log on.");
  EXPECT_EQ(boxes.boxes()[0].caption, "User Login");
}

// The dialog's own rule: the confirmation must match, before anything is
// asked of the service.
TEST(PasswordChangeTest, AMismatchAsksNothing) {
  class NoBackend : public LogonBackend {
   public:
    RecordedAttempt ChangePassword(const char*, const char*, const char*, const char*,
                                   std::string*) override {
      ++calls;
      return {};
    }
    int calls = 0;
  } backend;
  PasswordChange change(backend, "hank", "");
  EXPECT_EQ(change.Change("old", "new-one", "new-onE").outcome,
            PasswordChangeResult::Outcome::kMismatch);
  EXPECT_EQ(change.Change("old", "new-one", "").outcome,
            PasswordChangeResult::Outcome::kMismatch);
  EXPECT_EQ(backend.calls, 0);
  EXPECT_EQ(change.Change("old", "new-one", "new-one").outcome,
            PasswordChangeResult::Outcome::kChanged);
  EXPECT_EQ(backend.calls, 1);
  EXPECT_TRUE(OffersPasswordChange(1330));
  EXPECT_TRUE(OffersPasswordChange(1907));
  EXPECT_FALSE(OffersPasswordChange(1326));
  EXPECT_FALSE(OffersPasswordChange(1331));
}

}  // namespace
}  // namespace tav
