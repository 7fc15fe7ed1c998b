// The exported functions and classes, called through libTAVSecurityUI.so
// the way a C++ host calls them, with the dialogs answered as a user would.
#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <cstring>

#include "TAVSecurityUI.h"
#include "services/config/system_configuration.h"
#include "testing/gui_test_support.h"
#include "testing/qt_host.h"
#include "testing/temp_data_dir.h"
#include "util/stealth.h"

namespace {

using tav::testing::WhenModalShows;

std::string Str(BSTR s) { return s != nullptr ? std::string(s) : "<null>"; }

uint32_t BstrLength(BSTR s) {
  uint32_t length;
  std::memcpy(&length, s - sizeof length, sizeof length);
  return length;
}

// What the host sees of a User Login dialog it answered.
struct Seen {
  QString title;
  QString user;
  QString focus;
};

// Answers the next User Login dialog: types the credentials and clicks OK,
// or clicks Cancel when `password` is null.
void Answer(const char* user, const char* password, Seen* seen = nullptr) {
  WhenModalShows("dlg130", [=](QWidget* dialog) {
    auto* name = dialog->findChild<QLineEdit*>("ctl1002");
    if (seen != nullptr) {
      seen->title = dialog->windowTitle();
      seen->user = name->text();
      seen->focus = dialog->focusWidget() != nullptr ? dialog->focusWidget()->objectName() : "";
    }
    if (password == nullptr) {
      QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
      return;
    }
    if (user != nullptr) {
      QTest::mouseClick(name, Qt::LeftButton);
      name->clear();
      QTest::keyClicks(name, user);
    }
    auto* field = dialog->findChild<QLineEdit*>("ctl1003");
    QTest::mouseClick(field, Qt::LeftButton);  // into the password field, as a user would
    QTest::keyClicks(field, password);
    QTest::keyClick(field, Qt::Key_Return);
  });
}

class InterfaceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    tav::testing::AddLocalAccount("alice", "Alice-Pass1",
                                  {"tav-analysts", "lab-staff", "tav-users"}, "Alice Liddell",
                                  false, "Analyst");
    tav::testing::AddLocalAccount("bob", "Bob-Pass2", {"tav-admins"}, "Bob Builder", true);
    TAVSecurityUI_initEmptyUserInfo(&info_);
  }
  void TearDown() override {
    TAVSecurityUI_DoLogout();
    TAVSecurityUI_freeUserInfo(&info_);
  }

  int LogIn(const char* user, const char* password, HANDLE* token = nullptr) {
    Answer(user, password);
    return TAVSecurityUI_DoLogin(nullptr, 0, &info_, token);
  }

  tav::testing::TempDataDir data_dir_;
  UserInfo info_;
};

TEST_F(InterfaceTest, NobodyIsLoggedOnAtFirst) {
  UserInfo zeroed = {};  // all zeros may be filled
  HANDLE token = reinterpret_cast<HANDLE>(0x1);
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(&token, &zeroed), 0);
  EXPECT_EQ(token, nullptr);
  for (BSTR s : {zeroed.userName, zeroed.domain, zeroed.logonServer, zeroed.fullName,
                 zeroed.description, zeroed.groups}) {
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(BstrLength(s), 0u);
  }
  EXPECT_EQ(zeroed.isAdmin, 0);
  TAVSecurityUI_freeUserInfo(&zeroed);
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "");
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserToken(), nullptr);
  EXPECT_EQ(TAVSecurityUI_DoLogout(), 0);
}

TEST_F(InterfaceTest, LoginFillsTheRecordAndHandsOutATokenOfTheCallersOwn) {
  HANDLE mine = nullptr;
  ASSERT_EQ(LogIn("alice", "Alice-Pass1", &mine), 0);
  EXPECT_EQ(Str(info_.userName), "alice");
  EXPECT_EQ(Str(info_.fullName), "Alice Liddell");
  EXPECT_EQ(Str(info_.description), "Analyst");
  EXPECT_EQ(Str(info_.domain), "");
  EXPECT_EQ(Str(info_.logonServer), "");
  EXPECT_EQ(Str(info_.groups), "tav-analysts, lab-staff, tav-users");
  EXPECT_EQ(BstrLength(info_.groups), std::strlen("tav-analysts, lab-staff, tav-users"));
  EXPECT_EQ(info_.isAdmin, 0);

  // GetLoginUser hands out the library's own token; the caller's is another.
  HANDLE library_token = nullptr;
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(&library_token, nullptr), 1);
  ASSERT_NE(mine, nullptr);
  EXPECT_NE(mine, library_token);
  EXPECT_EQ(TAVSecurityUI_CloseToken(library_token), 0);  // never the caller's to close
  EXPECT_EQ(TAVSecurityUI_CloseToken(mine), 1);
  EXPECT_EQ(TAVSecurityUI_CloseToken(mine), 0);  // closed once
  EXPECT_EQ(TAVSecurityUI_CloseToken(nullptr), 0);

  // Each GetUserToken is a new handle; the logon token stays valid.
  TAVCurrentUser* user = TAVCurrentUser::GetInstance();
  HANDLE first = user->GetUserToken();
  HANDLE second = user->GetUserToken();
  ASSERT_NE(first, nullptr);
  EXPECT_NE(first, second);
  EXPECT_EQ(TAVSecurityUI_CloseToken(first), 1);
  EXPECT_EQ(TAVSecurityUI_CloseToken(second), 1);
  EXPECT_EQ(TAVSecurityUI_SetLoginUser(library_token, nullptr), 1);

  EXPECT_EQ(user->GetUserID(), "alice");
  EXPECT_EQ(user->GetUserFullName(), "Alice Liddell");
  EXPECT_EQ(user->GetUserDomain(), "");
  EXPECT_EQ(user->IsUserAdmin(), 0);
  std::list<std::string> groups = {"stale", "entries"};
  user->GetUserGroups(groups);
  EXPECT_EQ(groups, (std::list<std::string>{"tav-analysts", "lab-staff", "tav-users"}));
  *user = *TAVCurrentUser::GetInstance();  // assignment copies nothing and works
}

TEST_F(InterfaceTest, TheDialogBelongsToTheHostWindowItIsGiven) {
  QWidget host_window;
  host_window.show();
  QWidget* parent = reinterpret_cast<QWidget*>(0x1);
  WhenModalShows("dlg130", [&](QWidget* dialog) {
    parent = dialog->parentWidget();
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
  });
  EXPECT_EQ(TAVSecurityUI_DoLogin(&host_window, 0, nullptr, nullptr), -1);
  EXPECT_EQ(parent, &host_window);

  // Anything else a host passes is no window: the dialog has no parent.
  int not_a_window = 0;
  WhenModalShows("dlg130", [&](QWidget* dialog) {
    parent = dialog->parentWidget();
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl2"), Qt::LeftButton);
  });
  EXPECT_EQ(TAVSecurityUI_DoAuthCheck(&not_a_window, 0, nullptr), -1);
  EXPECT_EQ(parent, nullptr);
}

TEST_F(InterfaceTest, CancelWritesNeitherRecordNorToken) {
  ASSERT_EQ(LogIn("alice", "Alice-Pass1"), 0);
  UserInfo untouched = {};
  HANDLE token = reinterpret_cast<HANDLE>(0x77);
  Seen seen;
  Answer(nullptr, nullptr, &seen);
  EXPECT_EQ(TAVSecurityUI_DoLogin(nullptr, 1, &untouched, &token), -1);
  EXPECT_EQ(seen.user, "alice");
  EXPECT_EQ(seen.focus, "ctl1003");
  EXPECT_EQ(untouched.userName, nullptr);
  EXPECT_EQ(token, reinterpret_cast<HANDLE>(0x77));
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "alice");
}

TEST_F(InterfaceTest, IdleLoginAcceptsAnotherUser) {
  ASSERT_EQ(LogIn("alice", "Alice-Pass1"), 0);
  Seen seen;
  WhenModalShows("dlg130", [&](QWidget* dialog) {
    seen.title = dialog->windowTitle();
    seen.user = dialog->findChild<QLineEdit*>("ctl1002")->text();
    dialog->findChild<QLineEdit*>("ctl1002")->setText("bob");
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), "Bob-Pass2");
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
  });
  EXPECT_EQ(TAVSecurityUI_DoIdleLogin(nullptr, 1, &info_, nullptr), 0);
  EXPECT_EQ(seen.title, "Idle Timeout re-authentication required");
  EXPECT_EQ(seen.user, "alice");
  EXPECT_EQ(Str(info_.userName), "bob");
  EXPECT_EQ(info_.isAdmin, 1);
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "bob");
}

TEST_F(InterfaceTest, AuthCheckLeavesTheLogonAlone) {
  ASSERT_EQ(LogIn("alice", "Alice-Pass1"), 0);
  HANDLE before = nullptr;
  TAVSecurityUI_GetLoginUser(&before, nullptr);
  Seen seen;
  Answer("bob", "Bob-Pass2", &seen);
  EXPECT_EQ(TAVSecurityUI_DoAuthCheck(nullptr, 1, &info_), 0);
  EXPECT_EQ(seen.title, "User Login");
  EXPECT_EQ(seen.user, "");  // nobody was checked before
  EXPECT_EQ(Str(info_.userName), "bob");
  EXPECT_EQ(Str(info_.groups), "tav-admins");
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "alice");
  HANDLE after = nullptr;
  TAVSecurityUI_GetLoginUser(&after, nullptr);
  EXPECT_EQ(after, before);

  UserInfo untouched = {};
  Answer(nullptr, nullptr, &seen);
  EXPECT_EQ(TAVSecurityUI_DoAuthCheck(nullptr, 1, &untouched), -1);
  EXPECT_EQ(seen.user, "bob");
  EXPECT_EQ(untouched.userName, nullptr);
}

TEST_F(InterfaceTest, SetLoginUserTakesOverTheCallersToken) {
  HANDLE alice = nullptr;
  ASSERT_EQ(LogIn("alice", "Alice-Pass1", &alice), 0);
  ASSERT_EQ(LogIn("bob", "Bob-Pass2"), 0);

  // A null or dead token changes nothing and writes nothing.
  UserInfo untouched = {};
  EXPECT_EQ(TAVSecurityUI_SetLoginUser(nullptr, &untouched), 0);
  EXPECT_EQ(TAVSecurityUI_SetLoginUser(reinterpret_cast<HANDLE>(0x4242), &untouched), 0);
  EXPECT_EQ(untouched.userName, nullptr);
  EXPECT_EQ(TAVCurrentUser::GetInstance()->GetUserID(), "bob");

  // Alice's token (handed out at her login) makes her current again, read
  // back from the token; the library now owns it.
  ASSERT_EQ(TAVSecurityUI_SetLoginUser(alice, &info_), 1);
  EXPECT_EQ(Str(info_.userName), "alice");
  EXPECT_EQ(Str(info_.fullName), "Alice Liddell");
  EXPECT_EQ(Str(info_.groups), "tav-analysts, lab-staff, tav-users");
  HANDLE current = nullptr;
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(&current, nullptr), 1);
  EXPECT_EQ(current, alice);
  EXPECT_EQ(TAVSecurityUI_CloseToken(alice), 0);
}

TEST_F(InterfaceTest, LogoutLeavesNobody) {
  ASSERT_EQ(LogIn("alice", "Alice-Pass1"), 0);
  HANDLE token = nullptr;
  TAVSecurityUI_GetLoginUser(&token, nullptr);
  EXPECT_EQ(TAVSecurityUI_DoLogout(), 0);
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(nullptr, &info_), 0);
  EXPECT_EQ(Str(info_.userName), "");
  EXPECT_EQ(Str(info_.groups), "");
  // The ended token cannot come back.
  EXPECT_EQ(TAVSecurityUI_SetLoginUser(token, nullptr), 0);
  EXPECT_EQ(TAVSecurityUI_DoLogout(), 0);
}

TEST_F(InterfaceTest, RecordsInitialiseFreeAndRefill) {
  ESigInfo sig;
  std::memset(&sig, 0xAB, sizeof sig);  // garbage is overwritten, not freed
  TAVSecurityUI_initEmptyESigInfo(&sig);
  EXPECT_EQ(Str(sig.comment), "");
  EXPECT_EQ(Str(sig.folder), "");
  EXPECT_EQ(sig.reason, -1);
  EXPECT_EQ(sig.signTime, 0.0);
  EXPECT_EQ(sig.isAdmin, 0);
  TAVSecurityUI_freeESigInfo(&sig);
  EXPECT_EQ(sig.userName, nullptr);
  EXPECT_EQ(sig.comment, nullptr);
  EXPECT_EQ(sig.reason, -1);

  // A freed record may be filled again.
  ASSERT_EQ(LogIn("alice", "Alice-Pass1"), 0);
  TAVSecurityUI_freeUserInfo(&info_);
  EXPECT_EQ(info_.userName, nullptr);
  EXPECT_EQ(info_.isAdmin, 0);
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(nullptr, &info_), 1);
  EXPECT_EQ(Str(info_.userName), "alice");
  // Filling again frees what the record held (the sanitizer build sees leaks).
  EXPECT_EQ(TAVSecurityUI_GetLoginUser(nullptr, &info_), 1);
}

// Answers every message box the library shows, as a user pressing its
// default button would, and keeps caption and text. The library's own test
// hook lives inside the shared library, out of a host's reach; so the boxes
// are real ones.
class BoxAnswerer {
 public:
  struct Box {
    std::string caption;
    std::string text;
  };

  BoxAnswerer() {
    QObject::connect(&timer_, &QTimer::timeout, [this] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      boxes_.push_back({box->windowTitle().toStdString(), box->text().toStdString()});
      QAbstractButton* button = box->defaultButton();
      if (button == nullptr) button = box->escapeButton();
      QTest::mouseClick(button, Qt::LeftButton);
    });
    timer_.start(5);
  }

  const std::vector<Box>& boxes() const { return boxes_; }

 private:
  QTimer timer_;
  std::vector<Box> boxes_;
};

class QueriesTest : public InterfaceTest {
 protected:
  void SetUp() override {
    InterfaceTest::SetUp();
    boxes_ = std::make_unique<BoxAnswerer>();
  }
  void TearDown() override {
    boxes_.reset();
    InterfaceTest::TearDown();
  }
  const std::vector<BoxAnswerer::Box>& boxes() const { return boxes_->boxes(); }

  std::unique_ptr<BoxAnswerer> boxes_;
};

TEST_F(QueriesTest, FeaturesOffAllowEverything) {
  ASSERT_EQ(tav::theSystemConfig.Set21CFREnabled(0), 0);
  EXPECT_EQ(TAVSecurityUI_IsUserSecurityEnabled(), 0);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowed(), 1);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowedAccess(0), 1);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowedAccessStealth(13), 1);
  EXPECT_EQ(TAVSecurityUI_IsAuditRecordingForDataType(0), 0);
  EXPECT_TRUE(boxes().empty());
}

TEST_F(QueriesTest, FeaturesOnFollowTheCurrentUser) {
  ASSERT_EQ(tav::theSystemConfig.Set21CFREnabled(1), 0);
  tav::CTAVGroupRightsArray rights;
  rights.Grant("tav-admins", 0);
  ASSERT_EQ(tav::theSystemConfig.WriteActivityGroupArray(rights), 0);
  ASSERT_EQ(tav::theSystemConfig.SetConfigInt("Idle Timeout", 20), 0);

  EXPECT_EQ(TAVSecurityUI_IsUserSecurityEnabled(), 1);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowed(), 0);  // nobody logged on
  EXPECT_EQ(TAVSecurityUI_IsUserAllowedAccessStealth(0), 0);
  EXPECT_EQ(boxes().size(), 1u);

  ASSERT_EQ(LogIn("bob", "Bob-Pass2"), 0);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowed(), 1);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowedAccess(0), 1);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowedAccess(6), 0);
  ASSERT_EQ(boxes().size(), 2u);
  EXPECT_EQ(boxes()[1].caption, "Access to this feature is not allowed");
  EXPECT_EQ(TAVSecurityUI_GetIdleTimeout(), 20);
  EXPECT_EQ(TAVSecurityUI_IsAuditRecordingForDataType(0), 1);

  int first = -1;
  int second = -1;
  EXPECT_EQ(TAVSecurityUI_GetAuditCommentSetting(2, &first, &second), 0);
  EXPECT_TRUE(first == 0 || first == 1);
  EXPECT_TRUE(second == 0 || second == 1);
  EXPECT_NE(TAVSecurityUI_GetAuditCommentSetting(99, &first, nullptr), 0);
}

TEST_F(QueriesTest, StealthModeSilencesTheBoxesButNotTheDialog) {
  ASSERT_EQ(tav::theSystemConfig.Set21CFREnabled(1), 0);
  // The flag is shared: switched here, the library sees it.
  ASSERT_TRUE(tav::SetStealthMode(true));
  EXPECT_EQ(TAVSecurityUI_IsUserAllowed(), 0);
  EXPECT_EQ(TAVSecurityUI_IsUserAllowedAccess(0), 0);

  // A wrong password first: no message, the dialog stays for the next try.
  WhenModalShows("dlg130", [](QWidget* dialog) {
    auto* name = dialog->findChild<QLineEdit*>("ctl1002");
    auto* password = dialog->findChild<QLineEdit*>("ctl1003");
    QTest::mouseClick(name, Qt::LeftButton);
    QTest::keyClicks(name, "bob");
    QTest::mouseClick(password, Qt::LeftButton);
    QTest::keyClicks(password, "wrong");
    QTest::keyClick(password, Qt::Key_Return);
    EXPECT_TRUE(dialog->isVisible());
    // The failure put the focus back in the user name field.
    EXPECT_EQ(dialog->focusWidget(), name);
    QTest::mouseClick(password, Qt::LeftButton);
    password->clear();
    QTest::keyClicks(password, "Bob-Pass2");
    QTest::keyClick(password, Qt::Key_Return);
  });
  EXPECT_EQ(TAVSecurityUI_DoLogin(nullptr, 0, &info_, nullptr), 0);
  tav::SetStealthMode(false);
  EXPECT_TRUE(boxes().empty());
  EXPECT_EQ(Str(info_.userName), "bob");
}

}  // namespace
