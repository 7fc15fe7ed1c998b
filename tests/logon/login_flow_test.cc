// Logging on, off and between users on a LogonState: results, restores of
// the previous logon, and who owns which token.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "logon/login_flow.h"
#include "logon/user_login_dialog.h"
#include "services/security/korwinsec.h"
#include "services/security/token_table.h"
#include "logon/unrecorded_event.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/filelib/system_event_manager.h"
#include "testing/gui_test_support.h"
#include "testing/refused_event_log.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"

namespace tav {
namespace {

using testing::WhenModalShows;

// The real service, except that impersonating a user can be made to fail
// after a good authentication (a password changed in between, a full
// handle table): the -2 path.
class FlakyBackend : public LogonBackend {
 public:
  int ImpersonateUser(const char* user, const char* domain, const char* password,
                      HANDLE* token) override {
    if (fail_impersonation) return 1326;
    return LogonBackend::ImpersonateUser(user, domain, password, token);
  }
  bool fail_impersonation = false;
};

bool TokenIsOpen(HANDLE token) { return TokenTable::Global().Find(token) != nullptr; }

std::string ImpersonatedName() {
  char buffer[256];
  return KorWinSec_aGetImpersonatedUser(buffer, sizeof buffer) > 0 ? buffer : "";
}

class LoginFlowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_THROUGH_SERVICE("a backend that stands in for the service and records its events");
    ASSERT_TRUE(EnsureGuiApplication());
    testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-analysts", "tav-users"},
                             "Alice Liddell");
    testing::AddLocalAccount("bob", "Bob-Pass2", {"tav-admins"}, "Bob Builder", true);
  }
  void TearDown() override {
    Logout(state_, backend_);
    KorWinSec_RevertToSelf();
  }

  // Answers the next User Login dialog with the credentials, or cancels it
  // when `password` is null.
  static void Answer(const char* user, const char* password, QString* title = nullptr,
                     QString* prefilled = nullptr) {
    WhenModalShows("dlg130", [=](QWidget* dialog) {
      if (title != nullptr) *title = dialog->windowTitle();
      auto* name = dialog->findChild<QLineEdit*>("ctl1002");
      if (prefilled != nullptr) *prefilled = name->text();
      if (password == nullptr) {
        QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
        return;
      }
      name->clear();
      QTest::keyClicks(name, user);
      QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), password);
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
    });
  }

  int Login(const char* user, const char* password, bool use_previous = false) {
    Answer(user, password);
    return RunLogin(state_, backend_, nullptr, use_previous, kUserLoginTitle);
  }

  testing::TempDataDir data_dir_;
  FlakyBackend backend_;
  LogonState state_;
};

TEST_F(LoginFlowTest, LoginImpersonatesTheUserAndReplacesThePreviousLogon) {
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  HANDLE alice_token = state_.token;
  ASSERT_TRUE(TokenIsOpen(alice_token));
  EXPECT_EQ(ImpersonatedName(), "alice");
  EXPECT_EQ(state_.current_user.user_name, "alice");
  EXPECT_EQ(state_.current_user.full_name, "Alice Liddell");
  EXPECT_EQ(state_.current_user.groups, (std::list<std::string>{"tav-analysts", "tav-users"}));

  // With use_previous the dialog opens on the current user.
  QString prefilled;
  Answer("bob", "Bob-Pass2", nullptr, &prefilled);
  ASSERT_EQ(RunLogin(state_, backend_, nullptr, true, kIdleLoginTitle), kLoginOk);
  EXPECT_EQ(prefilled, "alice");
  EXPECT_FALSE(TokenIsOpen(alice_token));
  EXPECT_EQ(ImpersonatedName(), "bob");
  EXPECT_EQ(state_.current_user.user_name, "bob");
  EXPECT_EQ(state_.current_user.is_admin, 1);
}

TEST_F(LoginFlowTest, CancelChangesNothing) {
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  const LogonState before = state_;
  QString title;
  Answer(nullptr, nullptr, &title);
  EXPECT_EQ(RunLogin(state_, backend_, nullptr, false, kIdleLoginTitle), kLoginCancelled);
  EXPECT_EQ(title, "Idle Timeout re-authentication required");
  EXPECT_EQ(state_.token, before.token);
  EXPECT_EQ(state_.current_user, before.current_user);
  EXPECT_TRUE(TokenIsOpen(state_.token));
}

TEST_F(LoginFlowTest, FailedLogonAfterAuthenticationRestoresThePreviousUser) {
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  HANDLE alice_token = state_.token;
  backend_.fail_impersonation = true;
  EXPECT_EQ(Login("bob", "Bob-Pass2"), kLoginFailed);
  EXPECT_EQ(state_.token, alice_token);
  EXPECT_TRUE(TokenIsOpen(alice_token));
  EXPECT_EQ(ImpersonatedName(), "alice");
  // Refreshed from the token, so the service's view of the user.
  EXPECT_EQ(state_.current_user.user_name, "alice");
  EXPECT_EQ(state_.current_user.groups, (std::list<std::string>{"tav-analysts", "tav-users"}));
}

TEST_F(LoginFlowTest, FailedLogonWhileLoggedOffStaysLoggedOff) {
  backend_.fail_impersonation = true;
  EXPECT_EQ(Login("bob", "Bob-Pass2"), kLoginFailed);
  EXPECT_EQ(state_.token, nullptr);
  EXPECT_EQ(state_.current_user, UserRecord());
  EXPECT_EQ(ImpersonatedName(), "");
}

TEST_F(LoginFlowTest, AuthCheckConfirmsWithoutLoggingOn) {
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  const LogonState before = state_;
  Answer("bob", "Bob-Pass2");
  ASSERT_EQ(RunAuthCheck(state_, backend_, nullptr, false), kLoginOk);
  EXPECT_EQ(state_.check_record.user_name, "bob");
  EXPECT_EQ(state_.check_record.full_name, "Bob Builder");
  EXPECT_EQ(state_.current_user, before.current_user);
  EXPECT_EQ(state_.token, before.token);
  EXPECT_EQ(ImpersonatedName(), "alice");

  // use_previous starts from the checked user, not the logged-on one; a
  // cancelled check keeps the record.
  QString prefilled;
  Answer(nullptr, nullptr, nullptr, &prefilled);
  EXPECT_EQ(RunAuthCheck(state_, backend_, nullptr, true), kLoginCancelled);
  EXPECT_EQ(prefilled, "bob");
  EXPECT_EQ(state_.check_record.user_name, "bob");

  // A logoff keeps it too.
  Logout(state_, backend_);
  EXPECT_EQ(state_.check_record.user_name, "bob");
}

// Types the credentials, clicks OK and then Cancel if the dialog is still
// open; *stayed_open says whether it was.
void AnswerThenCancel(const char* user, const char* password, bool* stayed_open) {
  WhenModalShows("dlg130", [=](QWidget* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), user);
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), password);
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
    *stayed_open = dialog->isVisible();
    if (*stayed_open) QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
  });
}

TEST_F(LoginFlowTest, AttemptsWhoseEventCannotBeStoredAreRefused) {
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  const LogonState before = state_;
  testing::BoxRecorder boxes;
  {
    testing::RefusedEventLog full_log;
    // Right and wrong passwords get the same answer: the attempt is not
    // recorded, so it tells nothing.
    for (const char* password : {"Bob-Pass2", "not-it"}) {
      bool stayed_open = false;
      AnswerThenCancel("bob", password, &stayed_open);
      EXPECT_EQ(RunLogin(state_, backend_, nullptr, false, kUserLoginTitle), kLoginCancelled);
      EXPECT_TRUE(stayed_open);
      ASSERT_EQ(boxes.boxes().size(), 1u) << password;
      EXPECT_EQ(boxes.boxes()[0].caption, kUnrecordedEventCaption);
      EXPECT_NE(boxes.boxes()[0].text.find("The logon is refused"), std::string::npos);
      EXPECT_NE(boxes.boxes()[0].text.find("database or disk is full"), std::string::npos)
          << boxes.boxes()[0].text;
      boxes.Clear();
    }
    EXPECT_EQ(state_.token, before.token);
    EXPECT_EQ(state_.current_user, before.current_user);
    EXPECT_TRUE(TokenIsOpen(state_.token));
    EXPECT_EQ(ImpersonatedName(), "alice");

    bool stayed_open = false;
    AnswerThenCancel("bob", "Bob-Pass2", &stayed_open);
    EXPECT_EQ(RunAuthCheck(state_, backend_, nullptr, false), kLoginCancelled);
    ASSERT_EQ(boxes.boxes().size(), 1u);
    EXPECT_NE(boxes.boxes()[0].text.find("The identity check is refused"), std::string::npos);
    EXPECT_EQ(state_.check_record, before.check_record);
  }
  // Once the log takes events again, so does the logon.
  EXPECT_EQ(Login("bob", "Bob-Pass2"), kLoginOk);
  EXPECT_EQ(state_.current_user.user_name, "bob");
}

TEST_F(LoginFlowTest, SetLoginUserTakesOverAValidTokenOnly) {
  EXPECT_EQ(SetLoginUser(state_, backend_, nullptr), 0);

  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  HANDLE alice_token = state_.token;
  // The same token again: re-impersonated, not closed, groups not doubled.
  EXPECT_EQ(SetLoginUser(state_, backend_, alice_token), 1);
  EXPECT_EQ(SetLoginUser(state_, backend_, alice_token), 1);
  EXPECT_TRUE(TokenIsOpen(alice_token));
  EXPECT_EQ(state_.current_user.groups, (std::list<std::string>{"tav-analysts", "tav-users"}));

  // A token that cannot be used: the previous user is impersonated again.
  HANDLE bogus = reinterpret_cast<HANDLE>(0x1234);
  EXPECT_EQ(SetLoginUser(state_, backend_, bogus), 0);
  EXPECT_EQ(state_.token, alice_token);
  EXPECT_EQ(ImpersonatedName(), "alice");

  // Another user's token replaces the logon; the old token is closed.
  HANDLE bob_token = nullptr;
  ASSERT_EQ(KorWinSec_aImpersonateUser("bob", "", "Bob-Pass2", &bob_token), 0);
  KorWinSec_RevertToSelf();
  EXPECT_EQ(SetLoginUser(state_, backend_, bob_token), 1);
  EXPECT_EQ(state_.token, bob_token);
  EXPECT_FALSE(TokenIsOpen(alice_token));
  EXPECT_EQ(ImpersonatedName(), "bob");
  EXPECT_EQ(state_.current_user.user_name, "bob");
  EXPECT_EQ(state_.current_user.is_admin, 1);
}

TEST_F(LoginFlowTest, LogoutEndsTheTokenAndEmptiesTheUser) {
  EXPECT_EQ(Logout(state_, backend_), 0);  // nobody to log off
  ASSERT_EQ(Login("alice", "Alice-Pass1"), kLoginOk);
  HANDLE token = state_.token;
  EXPECT_EQ(Logout(state_, backend_), 0);
  EXPECT_FALSE(TokenIsOpen(token));
  EXPECT_EQ(state_.token, nullptr);
  EXPECT_EQ(state_.current_user, UserRecord());
  EXPECT_EQ(ImpersonatedName(), "");

  // The log says who logged off.
  CSystemEventManager log;
  CAuditCollectionComp* list = log.LoadEventList();
  ASSERT_NE(list, nullptr);
  POSITION pos = list->GetLastChildPosition();
  ASSERT_NE(pos, nullptr);
  const auto* last = dynamic_cast<const CAuditEventComp*>(list->GetPrevChild(pos));
  ASSERT_NE(last, nullptr);
  const std::string summary = CSystemEventManager::SummarizeEvent(*last);
  EXPECT_EQ(summary.substr(summary.find(", ") + 2), "alice, Logged Off");
}

}  // namespace
}  // namespace tav
