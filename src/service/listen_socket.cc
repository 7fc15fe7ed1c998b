#include "service/listen_socket.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace tav::service {
namespace {

constexpr int kBacklog = 128;
constexpr int kFirstActivatedFd = 3;  // SD_LISTEN_FDS_START

StoreStatus Errno(const std::string& what) {
  return StoreStatus(StoreStatus::kIOError, what + ": " + std::strerror(errno));
}

bool IsListeningUnixStream(int fd) {
  int type = 0;
  int listening = 0;
  sockaddr_storage address{};
  socklen_t size = sizeof type;
  if (getsockopt(fd, SOL_SOCKET, SO_TYPE, &type, &size) != 0 || type != SOCK_STREAM) return false;
  size = sizeof listening;
  if (getsockopt(fd, SOL_SOCKET, SO_ACCEPTCONN, &listening, &size) != 0 || !listening) {
    return false;
  }
  socklen_t address_size = sizeof address;
  return getsockname(fd, reinterpret_cast<sockaddr*>(&address), &address_size) == 0 &&
         address.ss_family == AF_UNIX;
}

}  // namespace

StoreStatus ListenOnPath(const std::string& path, int* fd) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path || path.find('\0') != std::string::npos) {
    return StoreStatus(StoreStatus::kInvalid, "the socket path \"" + path + "\" is empty or too long");
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);

  // The folder of the socket (/run/tavsecurity) is made when missing, as
  // systemd makes it for the socket unit; an existing one is left as it is.
  const size_t slash = path.rfind('/');
  if (slash != std::string::npos && slash > 0) {
    const std::string folder = path.substr(0, slash);
    if (mkdir(folder.c_str(), 0755) != 0 && errno != EEXIST) {
      return Errno("making the socket's folder " + folder);
    }
  }

  struct stat st;
  if (lstat(path.c_str(), &st) == 0) {
    if (!S_ISSOCK(st.st_mode)) {
      return StoreStatus(StoreStatus::kExists, path + " exists and is not a socket; not replacing it");
    }
    if (unlink(path.c_str()) != 0) return Errno("removing the old socket " + path);
  } else if (errno != ENOENT) {
    return Errno(path);
  }

  const int s = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (s < 0) return Errno("socket");
  // The socket file is made by bind with the umask's mode: owner and group
  // may connect, nobody else.
  const mode_t old_umask = umask(0117);
  const int bound = bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
  const int bind_errno = errno;
  umask(old_umask);
  if (bound != 0) {
    errno = bind_errno;
    StoreStatus status = Errno("binding " + path);
    close(s);
    return status;
  }
  if (listen(s, kBacklog) != 0) {
    StoreStatus status = Errno("listening on " + path);
    close(s);
    return status;
  }
  *fd = s;
  return StoreStatus::Ok();
}

StoreStatus ActivatedSocket(int* fd, bool* activated) {
  *activated = false;
  const char* pid_text = std::getenv("LISTEN_PID");
  const char* fds_text = std::getenv("LISTEN_FDS");
  const std::string pid = pid_text != nullptr ? pid_text : "";
  const std::string fds = fds_text != nullptr ? fds_text : "";
  unsetenv("LISTEN_PID");
  unsetenv("LISTEN_FDS");
  unsetenv("LISTEN_FDNAMES");
  if (pid.empty() || pid != std::to_string(getpid())) return StoreStatus::Ok();
  if (fds != "1") {
    return StoreStatus(StoreStatus::kInvalid,
                       "systemd passed " + fds + " sockets; the service takes exactly one");
  }
  if (!IsListeningUnixStream(kFirstActivatedFd)) {
    return StoreStatus(StoreStatus::kInvalid,
                       "the socket systemd passed is not a listening Unix stream socket");
  }
  fcntl(kFirstActivatedFd, F_SETFD, FD_CLOEXEC);
  *fd = kFirstActivatedFd;
  *activated = true;
  return StoreStatus::Ok();
}

}  // namespace tav::service
