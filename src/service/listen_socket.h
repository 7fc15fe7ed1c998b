// The service's listening socket: bound by the daemon itself, or passed in
// by systemd's socket activation.
//
// Thread safety: ListenOnPath changes the process's umask for the moment of
// the bind; call it before any other thread starts.
#ifndef TAV_SERVICE_LISTEN_SOCKET_H_
#define TAV_SERVICE_LISTEN_SOCKET_H_

#include <string>

#include "util/store_status.h"

namespace tav::service {

inline constexpr char kDefaultSocketPath[] = "/run/tavsecurity/socket";

// Creates a Unix stream socket at `path` with mode 0660 and listens on it.
// A file already at `path` is removed only when it is a socket (a stale one
// of an earlier run; checked with lstat, a link is never followed); anything
// else there is an error. On success *fd is the listening descriptor
// (close-on-exec), the caller's.
StoreStatus ListenOnPath(const std::string& path, int* fd);

// The socket systemd passed to this process: LISTEN_PID names this process
// and LISTEN_FDS is 1, and descriptor 3 is a listening Unix stream socket.
// Returns false when the process was not socket-activated (*fd untouched);
// a failed status when activation was announced but cannot be used. The
// variables are removed from the environment either way, so that children
// do not take the socket for theirs.
StoreStatus ActivatedSocket(int* fd, bool* activated);

}  // namespace tav::service

#endif  // TAV_SERVICE_LISTEN_SOCKET_H_
