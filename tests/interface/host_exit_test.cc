// Real host processes, written in C and in Qt, that use the library and end:
// returning from main, calling exit(), or unloading the library with
// dlclose first; with and without a logged-on user, with their own
// QApplication or the library's. Each must exit with status 0 and keep its
// buffered output.
#include <gtest/gtest.h>

#include <string>

#include "testing/gui_test_support.h"
#include "testing/run_command.h"
#include "testing/temp_data_dir.h"

namespace tav {
namespace {

constexpr char kNoDisplay[] = "env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY ";
constexpr char kOffscreen[] = "env QT_QPA_PLATFORM=offscreen ";

class HostExitTest : public ::testing::Test {
 protected:
  void SetUp() override { testing::AddLocalAccount("alice", "Alice-Pass1", {"tav-users"}); }

  // Runs a host and expects a clean end with all of its output.
  static void ExpectCleanEnd(const std::string& command) {
    SCOPED_TRACE(command);
    const testing::CommandResult result = testing::RunCommand(command);
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_NE(result.out.find("host done\n"), std::string::npos) << result.out;
  }

  testing::TempDataDir data_dir_;
};

TEST_F(HostExitTest, CHostWithoutDisplayEndsCleanly) {
  for (const char* how : {"return", "exit"}) {
    ExpectCleanEnd(kNoDisplay + std::string(C_EXIT_HOST) + " " + how);
  }
  for (const char* how : {"return", "exit", "dlclose"}) {
    ExpectCleanEnd(kNoDisplay + std::string(C_EXIT_HOST_DLOPEN) + " " + how);
  }
}

TEST_F(HostExitTest, CHostWithTheLibrarysApplicationEndsCleanly) {
  for (const char* how : {"return", "exit"}) {
    ExpectCleanEnd(kOffscreen + std::string(C_EXIT_HOST) + " " + how);
  }
  for (const char* how : {"return", "exit", "dlclose"}) {
    ExpectCleanEnd(kOffscreen + std::string(C_EXIT_HOST_DLOPEN) + " " + how);
  }
}

TEST_F(HostExitTest, QtHostEndsCleanlyWithAndWithoutAUserLoggedOn) {
  for (const char* host : {QT_EXIT_HOST, QT_EXIT_HOST_DLOPEN}) {
    for (const char* app : {"--own-app ", ""}) {
      for (const char* login : {"--login alice Alice-Pass1 ", ""}) {
        for (const char* how : {"return", "exit", "dlclose"}) {
          if (std::string(how) == "dlclose" && host == std::string(QT_EXIT_HOST)) continue;
          ExpectCleanEnd(kOffscreen + std::string(host) + " " + app + login + how);
        }
      }
    }
  }
}

TEST_F(HostExitTest, ADisplayThatCannotBeOpenedIsTreatedAsNoDisplay) {
  // Nothing listens on display 97, nor on the Wayland socket named here: the
  // library must not let Qt end the host, and answers as without a display.
  for (const char* env : {"env -u QT_QPA_PLATFORM -u WAYLAND_DISPLAY DISPLAY=:97 ",
                          "env -u QT_QPA_PLATFORM -u DISPLAY WAYLAND_DISPLAY=tav-no-such-socket ",
                          "env -u WAYLAND_DISPLAY QT_QPA_PLATFORM=xcb DISPLAY=:97 "}) {
    ExpectCleanEnd(env + std::string(C_EXIT_HOST) + " return");
    ExpectCleanEnd(env + std::string(QT_EXIT_HOST) + " return");
  }
}

}  // namespace
}  // namespace tav
