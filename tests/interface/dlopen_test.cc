// Loading and unloading libTAVSecurityUI.so at run time, as a host that
// binds the library late does: an unload after a login leaves nobody logged
// on, and the library really leaves the process.
#include <dirent.h>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <fstream>
#include <sstream>
#include <string>

#include "TAVSecurityUI.h"
#include "testing/gui_test_support.h"
#include "testing/temp_data_dir.h"

namespace {

using tav::testing::WhenModalShows;

// Descriptors of this process open on the compliance database.
int OpenDatabaseFiles() {
  int count = 0;
  DIR* dir = opendir("/proc/self/fd");
  if (dir == nullptr) return -1;
  while (dirent* entry = readdir(dir)) {
    char target[4096];
    const std::string link = std::string("/proc/self/fd/") + entry->d_name;
    const ssize_t n = readlink(link.c_str(), target, sizeof target - 1);
    if (n <= 0) continue;
    if (std::string(target, size_t(n)).find("compliance.db") != std::string::npos) ++count;
  }
  closedir(dir);
  return count;
}

bool LibraryIsMapped() {
  std::ifstream maps("/proc/self/maps");
  std::stringstream text;
  text << maps.rdbuf();
  return text.str().find("libTAVSecurityUI.so") != std::string::npos;
}

// The library, opened for one scope, with the exports the test calls.
class Library {
 public:
  Library() {
    handle_ = dlopen(TAVSECURITYUI_PATH, RTLD_NOW | RTLD_LOCAL);
    EXPECT_NE(handle_, nullptr) << dlerror();
  }
  ~Library() { Close(); }
  void Close() {
    if (handle_ != nullptr) {
      EXPECT_EQ(dlclose(handle_), 0);
    }
    handle_ = nullptr;
  }

  template <typename F>
  F* Get(const char* name) {
    void* symbol = dlsym(handle_, name);
    EXPECT_NE(symbol, nullptr) << name;
    return reinterpret_cast<F*>(symbol);
  }

 private:
  void* handle_ = nullptr;
};

using DoLoginFn = int32_t(HWND, BOOL, UserInfo*, HANDLE*);
using GetLoginUserFn = int32_t(HANDLE*, UserInfo*);
using IsUserAllowedFn = int32_t();

void LogOnAlice(Library& library) {
  WhenModalShows("dlg130", [](QWidget* dialog) {
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1002"), "alice");
    QTest::keyClicks(dialog->findChild<QLineEdit*>("ctl1003"), "Alice-Pass1");
    QTest::mouseClick(dialog->findChild<QPushButton*>("ctl1001"), Qt::LeftButton);
  });
  ASSERT_EQ(library.Get<DoLoginFn>("TAVSecurityUI_DoLogin")(nullptr, 0, nullptr, nullptr), 0);
  HANDLE token = nullptr;
  ASSERT_EQ(library.Get<GetLoginUserFn>("TAVSecurityUI_GetLoginUser")(&token, nullptr), 1);
  ASSERT_NE(token, nullptr);
  // Whatever the modal run left to be deleted goes before the library does.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ExpectNobodyLoggedOn() {
  Library library;
  HANDLE token = reinterpret_cast<HANDLE>(0x1);
  EXPECT_EQ(library.Get<GetLoginUserFn>("TAVSecurityUI_GetLoginUser")(&token, nullptr), 0);
  EXPECT_EQ(token, nullptr);
}

TEST(DlopenTest, UnloadAfterLoginInAQtHostLogsOff) {
  tav::testing::TempDataDir data_dir;
  tav::testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-users"});
  int argc = 1;
  char name[] = "dlopen_test";
  char* argv[] = {name, nullptr};
  {
    QApplication app(argc, argv);
    ASSERT_FALSE(LibraryIsMapped());
    {
      Library library;
      LogOnAlice(library);
    }
    EXPECT_FALSE(LibraryIsMapped()) << "the library stayed loaded after dlclose";
    EXPECT_EQ(OpenDatabaseFiles(), 0) << "the unloaded library left its database open";
    ExpectNobodyLoggedOn();
    // The host's application is the host's: still there.
    EXPECT_EQ(QCoreApplication::instance(), &app);
  }
}

TEST(DlopenTest, UnloadAfterLoginInAHostWithoutQtLogsOffAndEndsQt) {
  tav::testing::TempDataDir data_dir;
  tav::testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-users"});
  if (LibraryIsMapped()) GTEST_SKIP() << "an earlier test left the library loaded";
  ASSERT_EQ(QCoreApplication::instance(), nullptr);
  {
    Library library;
    // The first export that may show a window brings up the application.
    EXPECT_EQ(library.Get<IsUserAllowedFn>("TAVSecurityUI_IsUserAllowed")(), 1);
    ASSERT_NE(qobject_cast<QApplication*>(QCoreApplication::instance()), nullptr);
    LogOnAlice(library);
  }
  EXPECT_FALSE(LibraryIsMapped()) << "the library stayed loaded after dlclose";
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
  ExpectNobodyLoggedOn();
}

TEST(DlopenTest, UnloadWithoutAnyWindowWorks) {
  if (LibraryIsMapped()) GTEST_SKIP() << "an earlier test left the library loaded";
  {
    Library library;
    UserInfo info = {};
    library.Get<void(UserInfo*)>("TAVSecurityUI_initEmptyUserInfo")(&info);
    EXPECT_EQ(library.Get<GetLoginUserFn>("TAVSecurityUI_GetLoginUser")(nullptr, &info), 0);
    library.Get<void(UserInfo*)>("TAVSecurityUI_freeUserInfo")(&info);
    EXPECT_EQ(library.Get<int32_t()>("TAVSecurityUI_DoLogout")(), 0);
  }
  EXPECT_FALSE(LibraryIsMapped());
  EXPECT_EQ(QCoreApplication::instance(), nullptr);
}

}  // namespace
