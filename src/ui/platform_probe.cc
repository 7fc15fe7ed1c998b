#include "ui/platform_probe.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "util/library_lifetime.h"

namespace tav {

namespace {

// A connection attempt gives up after this long: a remote X server that
// does not answer must not hang the host.
constexpr int kConnectTimeoutMs = 2000;
constexpr int kX11Attempts = 5;
constexpr useconds_t kX11RetryDelayUs = 150 * 1000;

bool X11ServerAnswersOnce(const std::string& display);

class Socket {
 public:
  explicit Socket(int fd) : fd_(fd) {}
  ~Socket() {
    if (fd_ >= 0) ::close(fd_);
  }
  Socket(const Socket&) = delete;
  Socket& operator=(const Socket&) = delete;
  int fd() const { return fd_; }

 private:
  int fd_;
};

bool ConnectWithin(int family, const sockaddr* address, socklen_t length) {
  Socket socket(::socket(family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0));
  if (socket.fd() < 0) return false;
  if (::connect(socket.fd(), address, length) == 0) return true;
  if (errno != EINPROGRESS) return false;
  pollfd poll_fd{socket.fd(), POLLOUT, 0};
  if (::poll(&poll_fd, 1, kConnectTimeoutMs) != 1) return false;
  int error = 0;
  socklen_t error_length = sizeof error;
  return ::getsockopt(socket.fd(), SOL_SOCKET, SO_ERROR, &error, &error_length) == 0 &&
         error == 0;
}

// `abstract` puts the path in the abstract namespace (a leading NUL).
bool ConnectUnix(const std::string& path, bool abstract) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const size_t offset = abstract ? 1 : 0;
  if (path.size() + offset >= sizeof address.sun_path) return false;
  std::memcpy(address.sun_path + offset, path.data(), path.size());
  const auto length =
      static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + offset + path.size() + 1);
  return ConnectWithin(AF_UNIX, reinterpret_cast<const sockaddr*>(&address), length);
}

bool ConnectTcp(const std::string& host, int port) {
  addrinfo hints{};
  hints.ai_socktype = SOCK_STREAM;
  addrinfo* found = nullptr;
  if (::getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0) {
    return false;
  }
  bool connected = false;
  for (addrinfo* a = found; a != nullptr && !connected; a = a->ai_next) {
    connected = ConnectWithin(a->ai_family, a->ai_addr, a->ai_addrlen);
  }
  ::freeaddrinfo(found);
  return connected;
}

// The X connection set-up, authorisation included, through the same
// library Qt's X11 plugin uses. Loaded at run time: without it that plugin
// cannot load either.
//
// An X server that has no other client (a bare Xvfb, as hosts run under in
// their own tests) resets when its last client leaves and refuses
// connections while it does: closing the probe's connection at once would
// make Qt's own connection, a moment later, fail. So the connection that
// answered is held until ReleaseProbeConnection.
class HeldXConnection {
 public:
  using Disconnect = void (*)(void*);
  HeldXConnection() = default;
  ~HeldXConnection() { Release(); }
  HeldXConnection(const HeldXConnection&) = delete;
  HeldXConnection& operator=(const HeldXConnection&) = delete;

  void Hold(void* library, void* connection, Disconnect disconnect) {
    Release();
    library_ = library;
    connection_ = connection;
    disconnect_ = disconnect;
  }
  void Release() {
    if (connection_ != nullptr) disconnect_(connection_);
    if (library_ != nullptr) ::dlclose(library_);
    library_ = connection_ = nullptr;
  }

 private:
  void* library_ = nullptr;
  void* connection_ = nullptr;
  Disconnect disconnect_ = nullptr;
};

HeldXConnection& TheHeldXConnection() {
  static UntilUnload<HeldXConnection> held;
  return held.Get();
}

bool XcbHandshakeSucceeds(const std::string& display) {
  void* xcb = ::dlopen("libxcb.so.1", RTLD_NOW | RTLD_LOCAL);
  if (xcb == nullptr) return false;
  using Connect = void* (*)(const char*, int*);
  using HasError = int (*)(void*);
  auto connect = reinterpret_cast<Connect>(::dlsym(xcb, "xcb_connect"));
  auto has_error = reinterpret_cast<HasError>(::dlsym(xcb, "xcb_connection_has_error"));
  auto disconnect = reinterpret_cast<HeldXConnection::Disconnect>(::dlsym(xcb, "xcb_disconnect"));
  if (connect == nullptr || has_error == nullptr || disconnect == nullptr) {
    ::dlclose(xcb);
    return false;
  }
  void* connection = connect(display.c_str(), nullptr);
  if (connection == nullptr) {
    ::dlclose(xcb);
    return false;
  }
  if (has_error(connection) != 0) {
    disconnect(connection);  // also frees a connection in the error state
    ::dlclose(xcb);
    return false;
  }
  TheHeldXConnection().Hold(xcb, connection, disconnect);
  return true;
}

std::vector<std::string> SplitEntries(const std::string& list) {
  std::vector<std::string> entries;
  size_t start = 0;
  while (start <= list.size()) {
    size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    if (end > start) entries.push_back(list.substr(start, end - start));
    start = end + 1;
  }
  return entries;
}

std::string WaylandSocketPath(const PlatformEnvironment& env) {
  const std::string name = env.getenv("WAYLAND_DISPLAY");
  if (name.empty()) return "";
  if (name[0] == '/') return name;
  const std::string runtime_dir = env.getenv("XDG_RUNTIME_DIR");
  return runtime_dir.empty() ? "" : runtime_dir + "/" + name;
}

bool X11Usable(const PlatformEnvironment& env) {
  const std::string display = env.getenv("DISPLAY");
  return !display.empty() && env.has_plugin("xcb") && env.x11_answers(display);
}

bool WaylandUsable(const PlatformEnvironment& env) {
  const std::string path = WaylandSocketPath(env);
  return !path.empty() && env.has_plugin("wayland") && env.wayland_answers(path);
}

}  // namespace

bool ParseX11Display(const std::string& value, X11Display* out) {
  const size_t colon = value.rfind(':');
  if (colon == std::string::npos || colon + 1 >= value.size()) return false;
  X11Display parsed;
  parsed.host = value.substr(0, colon);
  if (parsed.host == "unix") parsed.host.clear();
  int number = 0;
  size_t i = colon + 1;
  for (; i < value.size() && value[i] >= '0' && value[i] <= '9'; ++i) {
    if (number > 99999) return false;
    number = number * 10 + (value[i] - '0');
  }
  if (i == colon + 1) return false;
  // Only a screen number may follow.
  if (i < value.size()) {
    if (value[i] != '.' || i + 1 >= value.size()) return false;
    for (size_t j = i + 1; j < value.size(); ++j) {
      if (value[j] < '0' || value[j] > '9') return false;
    }
  }
  parsed.display = number;
  *out = parsed;
  return true;
}

bool X11ServerAnswers(const std::string& display) {
  // A server that has just lost its last client resets and refuses
  // connections for a moment: a few tries bridge that.
  for (int attempt = 0; attempt < kX11Attempts; ++attempt) {
    if (attempt > 0) ::usleep(kX11RetryDelayUs);
    if (X11ServerAnswersOnce(display)) return true;
  }
  return false;
}

namespace {

bool X11ServerAnswersOnce(const std::string& display) {
  X11Display parsed;
  if (!ParseX11Display(display, &parsed)) return false;
  // A remote server first gets a connection that cannot hang; a local one
  // answers a connect at once, or refuses it. Then the real handshake.
  if (parsed.host.empty()) {
    const std::string path = "/tmp/.X11-unix/X" + std::to_string(parsed.display);
    if (!ConnectUnix(path, /*abstract=*/true) && !ConnectUnix(path, /*abstract=*/false)) {
      return false;
    }
  } else if (!ConnectTcp(parsed.host, 6000 + parsed.display)) {
    return false;
  }
  return XcbHandshakeSucceeds(display);
}

}  // namespace

void ReleaseProbeConnection() { TheHeldXConnection().Release(); }

bool WaylandCompositorAnswers(const std::string& socket_path) {
  return ConnectUnix(socket_path, /*abstract=*/false);
}

PlatformEnvironment SystemPlatformEnvironment(
    std::function<bool(const std::string& name)> has_plugin) {
  PlatformEnvironment env;
  env.getenv = [](const char* name) {
    const char* value = std::getenv(name);
    return std::string(value != nullptr ? value : "");
  };
  env.has_plugin = std::move(has_plugin);
  env.x11_answers = X11ServerAnswers;
  env.wayland_answers = WaylandCompositorAnswers;
  return env;
}

std::string ChooseGuiPlatform(const PlatformEnvironment& env) {
  const std::string requested = env.getenv("QT_QPA_PLATFORM");
  if (!requested.empty()) {
    for (const std::string& entry : SplitEntries(requested)) {
      const std::string name = entry.substr(0, entry.find(':'));
      if (name == "xcb") {
        if (X11Usable(env)) return entry;
      } else if (name.rfind("wayland", 0) == 0) {
        if (WaylandUsable(env)) return entry;
      } else if (env.has_plugin(name)) {
        return entry;
      }
    }
    return "";
  }
  const bool wayland_session = env.getenv("XDG_SESSION_TYPE") == "wayland";
  if (wayland_session && WaylandUsable(env)) return "wayland";
  if (X11Usable(env)) return "xcb";
  if (!wayland_session && WaylandUsable(env)) return "wayland";
  return "";
}

}  // namespace tav
