// Which windowing platform the library may start Qt on.
//
// Qt ends the process when its platform plugin cannot connect (a DISPLAY
// naming a server that is not there, a Wayland socket that is gone), so the
// library looks first: it starts Qt only on a platform that answers, and
// otherwise behaves as on a machine without a display. No Qt in here: the
// caller supplies what only Qt knows (which plugins are installed).
//
// Threads: any; the functions read the environment given to them.
#ifndef TAV_UI_PLATFORM_PROBE_H_
#define TAV_UI_PLATFORM_PROBE_H_

#include <functional>
#include <string>

namespace tav {

// An X11 DISPLAY value taken apart: "[host]:display[.screen]", with
// "unix" or an empty host for the local server.
struct X11Display {
  std::string host;  // empty for the local server
  int display = -1;
};

// False for a value that is not of that form.
bool ParseX11Display(const std::string& value, X11Display* out);

// What the probe needs to know about the machine; tests replace parts.
struct PlatformEnvironment {
  std::function<std::string(const char* name)> getenv;
  // True when Qt has a platform plugin for `name` ("xcb", "wayland", ...).
  std::function<bool(const std::string& name)> has_plugin;
  // True when an X server answers at the DISPLAY value, and accepts us.
  std::function<bool(const std::string& display)> x11_answers;
  // True when a Wayland compositor listens on the socket path.
  std::function<bool(const std::string& socket_path)> wayland_answers;
};

// The machine as it is: the process environment, real sockets.
PlatformEnvironment SystemPlatformEnvironment(
    std::function<bool(const std::string& name)> has_plugin);

// The platform argument to start Qt with ("xcb", "offscreen",
// "wayland", or an entry of QT_QPA_PLATFORM with its options), or an empty
// string when no platform can start.
//
// QT_QPA_PLATFORM, when set, is a list of entries separated by ';', tried in
// order as Qt does: xcb and wayland entries must answer; other entries
// (offscreen, vnc, ...) need only their plugin. Without it: Wayland in a
// Wayland session, else X11, else Wayland, whichever answers first.
std::string ChooseGuiPlatform(const PlatformEnvironment& env);

// Probes used by SystemPlatformEnvironment, exposed for tests.
// X11ServerAnswers holds the connection that answered (an X server without
// other clients resets when its last one leaves) until
// ReleaseProbeConnection, which the caller calls once Qt has connected.
bool X11ServerAnswers(const std::string& display);
void ReleaseProbeConnection();
bool WaylandCompositorAnswers(const std::string& socket_path);

}  // namespace tav

#endif  // TAV_UI_PLATFORM_PROBE_H_
