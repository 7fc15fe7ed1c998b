// Logging on through a real compliance service: the library's logon runs
// against tavsecd on a throwaway data directory, as it does on a machine
// with the machine-wide store. The service checks the passwords and
// records the events under the names it knows; the library's tokens mean
// something only on the connection that received them; without a service
// every logon is refused with a reason.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "client/security_proxy.h"
#include "client/service_client.h"
#include "client/store_routes.h"
#include "logon/access.h"
#include "logon/auth_error.h"
#include "logon/login_flow.h"
#include "logon/user_login_dialog.h"
#include "records/audit_collection_comp.h"
#include "services/filelib/acting_user.h"
#include "records/audit_event_comp.h"
#include "services/filelib/system_event_manager.h"
#include "services/config/system_configuration.h"
#include "testing/event_lines.h"
#include "testing/gui_test_support.h"
#include "testing/service_process.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

using testing::WhenModalShows;

class ServiceLogonTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(EnsureGuiApplication());
    testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-analysts", "tav-users"},
                             "Alice Liddell");
    testing::AddLocalAccount("bob", "Bob-Pass2", {"tav-admins"}, "Bob Builder", true);
    service_ = std::make_unique<testing::ServiceProcess>(data_dir_.path());
    ASSERT_TRUE(service_->ready()) << "tavsecd did not start";
    ASSERT_TRUE(UsesComplianceService());
  }
  void TearDown() override {
    Logout(state_, backend_);
    DisconnectFromService();
  }

  // Answers the next User Login dialog with the credentials, keeping the
  // texts of the message boxes it shows.
  int Login(const char* user, const char* password) {
    WhenModalShows("dlg130", [=](QWidget* dialog) {
      auto* name = dialog->findChild<QLineEdit*>("ctl1002");
      name->clear();
      QTest::keyClicks(name, user);
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), password);
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
      // A refusal leaves the dialog open behind its message box: cancel it.
      if (dialog->isVisible()) {
        QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
      }
    });
    return RunLogin(state_, backend_, nullptr, false, kUserLoginTitle);
  }

  // "user, event" of every event of the log, oldest first.
  testing::TempDataDir data_dir_;
  std::unique_ptr<testing::ServiceProcess> service_;
  LogonBackend backend_;
  LogonState state_;
};

TEST_F(ServiceLogonTest, TheServiceChecksPasswordsAndRecordsTheAttempts) {
  testing::BoxRecorder boxes;
  EXPECT_EQ(Login("alice", "wrong"), kLoginCancelled);
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].caption, kAuthErrorCaption);
  EXPECT_EQ(Login("nobody", "Alice-Pass1"), kLoginCancelled);

  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  EXPECT_EQ(state_.current_user.user_name, "alice");
  EXPECT_EQ(state_.current_user.full_name, "Alice Liddell");
  EXPECT_EQ(state_.current_user.groups, (std::list<std::string>{"tav-analysts", "tav-users"}));
  EXPECT_EQ(backend_.ImpersonatedUser().user_name, "alice");
  // Records the process still makes itself name the logged-on user.
  EXPECT_EQ(ActingUserName(), "alice");

  Logout(state_, backend_);
  EXPECT_EQ(testing::EventLines(), (std::vector<std::string>{"alice, Failed Login", "(unknown user), Failed Login",
                                                "alice, Successful Login", "alice, Logged Off"}));
}

TEST_F(ServiceLogonTest, ANameWithAControlCharacterIsRefusedAndRecordedByTheService) {
  const RecordedAttempt attempt =
      backend_.AuthenticateAndRecord(AttemptPurpose::kLogin, "alice\nforged", "", "Alice-Pass1");
  EXPECT_EQ(attempt.code, 1326);
  EXPECT_TRUE(attempt.event.ok()) << attempt.event.message();
  EXPECT_EQ(testing::EventLines(), (std::vector<std::string>{"(unknown user), Failed Login"}));
}

TEST_F(ServiceLogonTest, AClientCannotRecordEventsOfItsOwn) {
  StoreStatus status = backend_.AddSystemEvent(kAuditSuccessfulLogin, "bob");
  EXPECT_FALSE(status.ok());
  EXPECT_TRUE(testing::EventLines().empty());
}

TEST_F(ServiceLogonTest, TokensAreWorthlessOnceTheirConnectionIsGone) {
  ASSERT_EQ(Login("bob", "Bob-Pass2"), kLoginOk);
  HANDLE token = state_.token;
  HANDLE copy = backend_.DuplicateToken(token);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(backend_.CloseToken(copy));
  EXPECT_FALSE(backend_.CloseToken(copy)) << "a token closes once";

  // A restart of the service ends every logon it held.
  service_->Stop();
  service_->Start();
  ASSERT_TRUE(service_->ready());
  EXPECT_EQ(backend_.DuplicateToken(token), nullptr);
  EXPECT_NE(backend_.ImpersonateFromToken(token), 0);
  // The user logs on again, on a new connection.
  ASSERT_EQ(Login("bob", "Bob-Pass2"), kLoginOk);
  EXPECT_EQ(backend_.ImpersonatedUser().user_name, "bob");
  EXPECT_NE(backend_.DuplicateToken(state_.token), nullptr);
}

// The right of the logged-on user is the service's answer for the logon's
// token, from the groups the service holds: groups changed in this
// process's memory (what a hostile plug-in could do) change nothing.
TEST_F(ServiceLogonTest, TheRightsOfTheLoggedOnUserAreAnsweredByTheService) {
  client::RouteStoreToService();
  // The test runs as root: with the features off it may switch them on.
  if (getuid() != 0) GTEST_SKIP() << "switching the features on needs root";
  ASSERT_EQ(theSystemConfig.Set21CFREnabled(1), kConfigOk)
      << CSystemConfiguration::LastErrorMessage();
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  EXPECT_EQ(IsActivityAllowed(state_, kActivityAnalyzeData), 1);
  EXPECT_EQ(IsActivityAllowed(state_, kActivityConfigureCompliance), 0);
  state_.current_user.groups = {"tav-admins"};
  EXPECT_EQ(IsActivityAllowed(state_, kActivityConfigureCompliance), 0);
  EXPECT_EQ(IsActivityAllowed(state_.current_user, kActivityConfigureCompliance), 1)
      << "the same question on the record alone trusts its groups";
}

TEST_F(ServiceLogonTest, WithoutTheServiceEveryLogonIsRefusedWithAReason) {
  service_->Kill();
  testing::BoxRecorder boxes;
  EXPECT_EQ(Login("alice", "Alice-Pass1"), kLoginCancelled);
  ASSERT_FALSE(boxes.boxes().empty());
  EXPECT_NE(boxes.boxes()[0].text.find("The compliance service is not running"),
            std::string::npos)
      << boxes.boxes()[0].text;
  EXPECT_EQ(state_.token, nullptr);
  EXPECT_EQ(backend_.IsWindowsUserAdmin(), 0);
  EXPECT_TRUE(testing::EventLines().empty());
}

}  // namespace
}  // namespace tav
