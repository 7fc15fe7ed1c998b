// The User Login dialog driven as a user drives it: fields, focus, Enter,
// OK, Cancel, the authentication messages and the system events.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "logon/auth_error.h"
#include "logon/user_login_dialog.h"
#include "records/audit_collection_comp.h"
#include "records/audit_event_comp.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/secret.h"
#include "testing/event_lines.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"
#include "ui/gui_app.h"
#include "util/stealth.h"

namespace tav {
namespace {

using testing::BoxRecorder;

// The real backend, with the system events it writes kept for the test.
class RecordingBackend : public LogonBackend {
 public:
  StoreStatus AddSystemEvent(int code, const std::string& user_name) override {
    events.push_back(std::to_string(code) + " " + user_name);
    return LogonBackend::AddSystemEvent(code, user_name);
  }
  std::vector<std::string> events;
};

class LoginDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TAV_SKIP_THROUGH_SERVICE("a backend that stands in for the service and records its events");
    ASSERT_TRUE(EnsureGuiApplication());
    ASSERT_TRUE(SetStealthMode(false));
    testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-analysts", "lab-staff", "tav-users"},
                             "Alice Liddell", false, "Analyst");
  }
  void TearDown() override { SetStealthMode(false); }

  template <typename T>
  static T* Find(QWidget* dialog, const char* name) {
    T* widget = dialog->findChild<T*>(name);
    EXPECT_NE(widget, nullptr) << name;
    return widget;
  }

  testing::TempDataDir data_dir_;
  RecordingBackend backend_;
};

TEST_F(LoginDialogTest, LooksLikeTheUserLoginDialog) {
  UserLoginDialog dialog(nullptr, backend_, "", "");
  dialog.show();
  EXPECT_EQ(dialog.objectName(), "dlg130");
  EXPECT_EQ(dialog.windowTitle(), "User Login");
  EXPECT_EQ(Find<QLabel>(&dialog, "lblUserName")->text(), "&User name : ");
  EXPECT_EQ(Find<QLabel>(&dialog, "ctl1000")->text(), "&Password : ");
  EXPECT_EQ(Find<QPushButton>(&dialog, "ctl1001")->text(), "OK");
  EXPECT_EQ(Find<QPushButton>(&dialog, "ctl2")->text(), "Cancel");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->echoMode(), QLineEdit::Password);
  EXPECT_FALSE(Find<QLabel>(&dialog, "lblBanner")->pixmap().isNull());
  EXPECT_FALSE(Find<QLabel>(&dialog, "lblIcon")->pixmap().isNull());
  // Sharp at 200%: the artwork has at least twice the pixels the label shows.
  for (const char* name : {"lblBanner", "lblIcon"}) {
    const QLabel* label = Find<QLabel>(&dialog, name);
    const QSize pixels = label->pixmap().size();
    EXPECT_GE(pixels.width(), 2 * label->width()) << name;
    EXPECT_GE(pixels.height(), 2 * label->height()) << name;
  }

  UserLoginDialog idle(nullptr, backend_, "", "", kIdleLoginTitle);
  EXPECT_EQ(idle.windowTitle(), "Idle Timeout re-authentication required");
}

TEST_F(LoginDialogTest, WithoutADomainThePasswordRowTakesTheDomainRowsPlace) {
  testing::SetDomain("LAB");
  UserLoginDialog with_domain(nullptr, backend_, "alice", "LAB");
  with_domain.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&with_domain));
  const int domain_row_y = Find<QLineEdit>(&with_domain, "ctl1004")->y();
  EXPECT_EQ(Find<QLabel>(&with_domain, "ctl1019")->text(), "&Domain :");
  EXPECT_LT(domain_row_y, Find<QLineEdit>(&with_domain, "ctl1003")->y());

  testing::SetDomain("");
  UserLoginDialog without(nullptr, backend_, "alice", "LAB");
  without.show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(&without));
  EXPECT_FALSE(Find<QLabel>(&without, "ctl1019")->isVisible());
  EXPECT_FALSE(Find<QLineEdit>(&without, "ctl1004")->isVisible());
  EXPECT_EQ(Find<QLineEdit>(&without, "ctl1003")->y(), domain_row_y);
  EXPECT_EQ(Find<QLabel>(&without, "ctl1000")->y(),
            Find<QLabel>(&with_domain, "ctl1019")->y());
  // The pre-filled domain is discarded.
  EXPECT_EQ(Find<QLineEdit>(&without, "ctl1004")->text(), "");
  EXPECT_EQ(without.controller().domain(), "");
}

// Enter on a focused button presses it: Cancel cancels without an attempt,
// OK authenticates.
TEST_F(LoginDialogTest, EnterOnAFocusedButtonPressesIt) {
  testing::SetDomain("");
  UserLoginDialog cancelled(nullptr, backend_, "alice", "");
  cancelled.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&cancelled));
  QTest::keyClicks(Find<QLineEdit>(&cancelled, "ctl1003"), "Alice-Pass1");
  Find<QPushButton>(&cancelled, "ctl2")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(cancelled.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(cancelled.result(), QDialog::Rejected);
  EXPECT_FALSE(cancelled.isVisible());
  EXPECT_TRUE(backend_.events.empty());

  UserLoginDialog accepted(nullptr, backend_, "alice", "");
  accepted.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&accepted));
  QTest::keyClicks(Find<QLineEdit>(&accepted, "ctl1003"), "Alice-Pass1");
  Find<QPushButton>(&accepted, "ctl1001")->setFocus(Qt::TabFocusReason);
  QTest::keyClick(accepted.focusWidget(), Qt::Key_Return);
  EXPECT_EQ(accepted.result(), QDialog::Accepted);
  EXPECT_EQ(backend_.events, std::vector<std::string>{"10 alice"});
}

TEST_F(LoginDialogTest, InitialFocusFollowsWhatIsFilledIn) {
  struct Case {
    const char* domain_config;
    const char* user;
    const char* domain;
    const char* focus;
  };
  const Case cases[] = {
      {"LAB", "", "", "ctl1002"},       {"LAB", "alice", "", "ctl1004"},
      {"LAB", "alice", "LAB", "ctl1003"}, {"", "alice", "", "ctl1003"},
      {"", "", "", "ctl1002"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.domain_config) + "/" + c.user + "/" + c.domain);
    testing::SetDomain(c.domain_config);
    UserLoginDialog dialog(nullptr, backend_, c.user, c.domain);
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    ASSERT_NE(dialog.focusWidget(), nullptr);
    EXPECT_EQ(dialog.focusWidget()->objectName(), c.focus);
    EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1002")->text(), c.user);
  }
}

TEST_F(LoginDialogTest, EnterMovesThroughTheFieldsBeforeItAuthenticates) {
  BoxRecorder boxes;
  testing::SetDomain("LAB");
  UserLoginDialog dialog(nullptr, backend_, "", "");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1002"), "alice");
  QTest::keyClick(Find<QLineEdit>(&dialog, "ctl1002"), Qt::Key_Return);
  EXPECT_EQ(dialog.focusWidget()->objectName(), "ctl1004");
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1004"), "lab");
  QTest::keyClick(Find<QLineEdit>(&dialog, "ctl1004"), Qt::Key_Enter, Qt::KeypadModifier);
  EXPECT_EQ(dialog.focusWidget()->objectName(), "ctl1003");
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(backend_.events.empty());
  EXPECT_TRUE(boxes.boxes().empty());

  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1003"), "Alice-Pass1");
  QTest::keyClick(Find<QLineEdit>(&dialog, "ctl1003"), Qt::Key_Return);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_FALSE(dialog.isVisible());
  EXPECT_EQ(backend_.events, std::vector<std::string>{"10 alice"});
  // The field is emptied as the dialog closes; the caller gets the password.
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->text(), "");
  EXPECT_EQ(dialog.TakePassword().view(), "Alice-Pass1");
  EXPECT_TRUE(dialog.TakePassword().empty());

  const UserRecord& user = dialog.authenticated_user();
  EXPECT_EQ(user.user_name, "alice");
  EXPECT_EQ(user.domain, "lab");  // as typed
  EXPECT_EQ(user.full_name, "Alice Liddell");
  EXPECT_EQ(user.description, "Analyst");
  EXPECT_EQ(user.groups, (std::list<std::string>{"tav-analysts", "lab-staff", "tav-users"}));
  EXPECT_EQ(user.is_admin, 0);
  EXPECT_EQ(user.logon_server, "");
}

TEST_F(LoginDialogTest, PasswordLongerThanTheLimitIsRefusedNotCut) {
  // A password of exactly the limit works; one byte more is a wrong
  // password, even though its first kMaxPasswordBytes bytes are right.
  const std::string longest(kMaxPasswordBytes, 'p');
  testing::AddLocalAccount("lena", longest, {"tav-users"});
  BoxRecorder boxes;
  UserLoginDialog dialog(nullptr, backend_, "", "");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  Find<QLineEdit>(&dialog, "ctl1002")->setText("lena");
  Find<QLineEdit>(&dialog, "ctl1003")->setText(QString::fromStdString(longest + "p"));
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  EXPECT_EQ(boxes.boxes()[0].text, AuthenticationErrorText(1326));
  EXPECT_EQ(backend_.events, std::vector<std::string>{"6 lena"});

  Find<QLineEdit>(&dialog, "ctl1003")->setText(QString::fromStdString(longest));
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(dialog.TakePassword().view(), longest);
}

TEST_F(LoginDialogTest, EnterWithoutDomainGoesStraightToThePassword) {
  UserLoginDialog dialog(nullptr, backend_, "", "");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1002"), "alice");
  QTest::keyClick(Find<QLineEdit>(&dialog, "ctl1002"), Qt::Key_Return);
  EXPECT_EQ(dialog.focusWidget()->objectName(), "ctl1003");
  EXPECT_TRUE(backend_.events.empty());
}

TEST_F(LoginDialogTest, WrongPasswordShowsTheMessageAndKeepsTheDialogOpen) {
  BoxRecorder boxes;
  UserLoginDialog dialog(nullptr, backend_, "", "");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1002"), "alice");
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1003"), "alice-pass1");
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);

  EXPECT_TRUE(dialog.isVisible());
  ASSERT_EQ(boxes.boxes().size(), 1u);
  const MessageBoxRequest& box = boxes.boxes()[0];
  EXPECT_EQ(box.caption, "Windows System Authentication error");
  EXPECT_EQ(box.text, AuthenticationErrorText(1326));
  EXPECT_EQ(box.style, MB_ICONERROR | MB_OK | MB_TASKMODAL);
  EXPECT_EQ(box.owner, &dialog);
  EXPECT_EQ(dialog.focusWidget()->objectName(), "ctl1002");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1002")->text(), "alice");
  EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->text(), "alice-pass1");

  // A blank name is refused by the service with its own text.
  Find<QLineEdit>(&dialog, "ctl1002")->clear();
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  ASSERT_EQ(boxes.boxes().size(), 2u);
  EXPECT_EQ(boxes.boxes()[1].text, kBlankUserNameText);

  // The user may try again; each failure is an event of its own.
  Find<QLineEdit>(&dialog, "ctl1002")->setText("alice");
  Find<QLineEdit>(&dialog, "ctl1003")->setText("Alice-Pass1");
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  EXPECT_EQ(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"6 alice", "6 ", "10 alice"}));

  // The events are in the system event log.
  EXPECT_EQ(testing::EventLines(), (std::vector<std::string>{"alice, Failed Login", ", Failed Login",
                                                            "alice, Successful Login"}));
}

TEST_F(LoginDialogTest, ANameThatIsNoAccountIsRecordedAsNobodyAndControlCharactersAreRefused) {
  BoxRecorder boxes;
  UserLoginDialog dialog(nullptr, backend_, "", "");
  dialog.show();
  // A password typed into the name field must not be kept in the log.
  Find<QLineEdit>(&dialog, "ctl1002")->setText("Alice-Pass1");
  Find<QLineEdit>(&dialog, "ctl1003")->setText("x");
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  Find<QLineEdit>(&dialog, "ctl1002")->setText("ALICE");
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  // A line break could forge a line in the listings; it never reaches the
  // service, even with the right password.
  Find<QLineEdit>(&dialog, "ctl1002")->setText("alice\n2026-01-01 00:00:00, bob");
  Find<QLineEdit>(&dialog, "ctl1003")->setText("Alice-Pass1");
  QTest::mouseClick(Find<QPushButton>(&dialog, "ctl1001"), Qt::LeftButton);
  EXPECT_NE(dialog.result(), QDialog::Accepted);
  EXPECT_EQ(backend_.events, (std::vector<std::string>{"6 (unknown user)", "6 ALICE",
                                                       "6 (unknown user)"}));
}

TEST_F(LoginDialogTest, StealthModeSilencesTheMessageButNotTheDialog) {
  BoxRecorder boxes;
  ASSERT_TRUE(SetStealthMode(true));
  UserLoginDialog dialog(nullptr, backend_, "alice", "");
  dialog.show();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
  QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1003"), "wrong");
  QTest::keyClick(Find<QLineEdit>(&dialog, "ctl1003"), Qt::Key_Return);
  EXPECT_TRUE(dialog.isVisible());
  EXPECT_TRUE(boxes.boxes().empty());
  EXPECT_EQ(backend_.events, std::vector<std::string>{"6 alice"});
}

TEST_F(LoginDialogTest, CancelAndEscapeCloseWithoutAnEvent) {
  for (bool escape : {false, true}) {
    UserLoginDialog dialog(nullptr, backend_, "alice", "");
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    QTest::keyClicks(Find<QLineEdit>(&dialog, "ctl1003"), "Alice-Pass1");
    if (escape) {
      QTest::keyClick(&dialog, Qt::Key_Escape);
    } else {
      QTest::mouseClick(Find<QPushButton>(&dialog, "ctl2"), Qt::LeftButton);
    }
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
    EXPECT_EQ(Find<QLineEdit>(&dialog, "ctl1003")->text(), "");
  }
  EXPECT_TRUE(backend_.events.empty());
}

TEST(AuthenticationErrorTextTest, EachCodeGetsItsText) {
  EXPECT_EQ(AuthenticationErrorText(-1),
            "Logon failure: The user name field cannot be blank for successful "
            "authentication.   \n");
  // The system's text, then the letter-case hint on a line of its own.
  const std::string wrong = AuthenticationErrorText(1326);
  EXPECT_NE(wrong.find("\nLetters in passwords must be typed using the correct case.   \n"),
            std::string::npos);
  EXPECT_GT(wrong.find("Letters"), 1u);
  // A code the system has a text for, without the hint.
  const std::string disabled = AuthenticationErrorText(1331);
  EXPECT_EQ(disabled.find("Letters"), std::string::npos);
  EXPECT_EQ(disabled.find("Authentication failure"), std::string::npos);
  EXPECT_EQ(disabled.back(), '\n');
  EXPECT_EQ(AuthenticationErrorText(99999), "Authentication failure: Error code 99999");
  EXPECT_EQ(AuthenticationErrorText(-5), "Authentication failure: Error code -5");
  EXPECT_EQ(AuthenticationErrorText(0), "Authentication failure: Error code 0");
}

}  // namespace
}  // namespace tav
