#include "ui/platform_probe.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <map>
#include <set>

namespace tav {
namespace {

TEST(PlatformProbeTest, ParsesDisplayValues) {
  X11Display d;
  ASSERT_TRUE(ParseX11Display(":0", &d));
  EXPECT_EQ(d.host, "");
  EXPECT_EQ(d.display, 0);
  ASSERT_TRUE(ParseX11Display("unix:12.1", &d));
  EXPECT_EQ(d.host, "");
  EXPECT_EQ(d.display, 12);
  ASSERT_TRUE(ParseX11Display("lab-host:10.0", &d));
  EXPECT_EQ(d.host, "lab-host");
  EXPECT_EQ(d.display, 10);
  for (const char* bad : {"", "0", ":", ":x", ":1.", ":1.a", ":1x", "host:"}) {
    EXPECT_FALSE(ParseX11Display(bad, &d)) << bad;
  }
}

// A machine made of answers: which variables are set, which plugins exist,
// which servers answer.
struct FakeMachine {
  std::map<std::string, std::string> variables;
  std::set<std::string> plugins{"xcb", "offscreen", "wayland"};
  bool x11 = false;
  bool wayland = false;

  PlatformEnvironment Environment() const {
    PlatformEnvironment env;
    env.getenv = [this](const char* name) {
      auto it = variables.find(name);
      return it == variables.end() ? std::string() : it->second;
    };
    env.has_plugin = [this](const std::string& name) { return plugins.count(name) > 0; };
    env.x11_answers = [this](const std::string&) { return x11; };
    env.wayland_answers = [this](const std::string&) { return wayland; };
    return env;
  }
};

TEST(PlatformProbeTest, StartsQtOnlyOnAPlatformThatAnswers) {
  FakeMachine machine;
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "") << "nothing configured";

  machine.variables["DISPLAY"] = ":97";
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "") << "an X server that is not there";
  machine.x11 = true;
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "xcb");
  machine.plugins.erase("xcb");
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "") << "no plugin to reach it with";

  machine = FakeMachine();
  machine.variables["WAYLAND_DISPLAY"] = "wayland-1";
  machine.wayland = true;
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "") << "a socket name without its folder";
  machine.variables["XDG_RUNTIME_DIR"] = "/run/user/1000";
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "wayland");
  machine.plugins.erase("wayland");
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "");
}

TEST(PlatformProbeTest, PrefersTheSessionsOwnPlatformAndFollowsQtsList) {
  FakeMachine machine;
  machine.variables = {{"DISPLAY", ":0"},
                       {"WAYLAND_DISPLAY", "wayland-0"},
                       {"XDG_RUNTIME_DIR", "/run/user/1000"}};
  machine.x11 = machine.wayland = true;
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "xcb");
  machine.variables["XDG_SESSION_TYPE"] = "wayland";
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "wayland");

  // An explicit list is tried in order, options kept; entries that cannot
  // start are passed over.
  machine.variables["QT_QPA_PLATFORM"] = "xcb:nograb;offscreen";
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "xcb:nograb");
  machine.x11 = false;
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "offscreen");
  machine.variables["QT_QPA_PLATFORM"] = "xcb";
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "");
  machine.variables["QT_QPA_PLATFORM"] = "nosuchplatform";
  EXPECT_EQ(ChooseGuiPlatform(machine.Environment()), "");
}

TEST(PlatformProbeTest, RealProbesTellAListeningSocketFromNone) {
  EXPECT_FALSE(X11ServerAnswers(":97"));
  EXPECT_FALSE(X11ServerAnswers("not a display"));
  EXPECT_FALSE(WaylandCompositorAnswers("/nonexistent/wayland-0"));

  char dir[] = "/tmp/tav_probe.XXXXXX";
  ASSERT_NE(::mkdtemp(dir), nullptr);
  const std::string path = std::string(dir) + "/wayland-0";
  const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(listener, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, path.c_str());
  ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  ASSERT_EQ(::listen(listener, 1), 0);
  EXPECT_TRUE(WaylandCompositorAnswers(path));
  ::close(listener);
  ::unlink(path.c_str());
  ::rmdir(dir);
}

}  // namespace
}  // namespace tav
