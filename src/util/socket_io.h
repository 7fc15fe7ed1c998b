// Reading and writing whole frames on a stream socket with bounded waits,
// for the compliance service and its clients (protocol/wire.h gives the
// frame: a 4-byte big-endian length and the payload).
//
// Every wait has a deadline, so a peer that stalls mid-frame ends its own
// connection and never holds up the caller for longer than the timeout.
// Writes use MSG_NOSIGNAL: a peer that went away gives an error, never
// SIGPIPE.
//
// Thread safety: one thread per socket at a time.
#ifndef TAV_UTIL_SOCKET_IO_H_
#define TAV_UTIL_SOCKET_IO_H_

#include <sys/types.h>

#include <cstdint>
#include <string>
#include <string_view>

#include "util/store_status.h"

namespace tav {

// Milliseconds; a negative wait means "no limit".
struct FrameTimeouts {
  int first_byte_ms = -1;  // waiting for a frame to start (an idle peer)
  int rest_ms = 10000;     // the rest of a frame once it has started
};

// Reads one frame's payload into *payload. kNotFound when the peer closed
// the connection cleanly before a frame started; kBusy when a wait ran out;
// kInvalid for a length above max_payload (the stream cannot be read on);
// kIOError otherwise.
StoreStatus ReadFrame(int fd, uint32_t max_payload, const FrameTimeouts& timeouts,
                      std::string* payload);

// Reads frames from one connection with as few system calls as the peer
// allows: a wait and one read take the header and as much of the payload as
// has arrived; bytes of a next frame that came with it are kept for the
// next call. Results and limits as ReadFrame. The kept bytes (which may
// hold a password) are wiped when the reader ends or is reset.
//
// Thread safety: one thread at a time.
class FrameReader {
 public:
  FrameReader() = default;
  ~FrameReader() { Reset(); }
  FrameReader(const FrameReader&) = delete;
  FrameReader& operator=(const FrameReader&) = delete;

  StoreStatus Read(int fd, uint32_t max_payload, const FrameTimeouts& timeouts,
                   std::string* payload);
  // Forgets the kept bytes (a new connection).
  void Reset();

 private:
  // Bytes read beyond the last frame: buffer_[start_, buffer_.size()).
  std::string buffer_;
  size_t start_ = 0;
};

// Writes all of `frame` (header included) within timeout_ms.
StoreStatus WriteAll(int fd, std::string_view frame, int timeout_ms);

// The credentials of a Unix socket's peer, as the kernel saw them when it
// connected (SO_PEERCRED).
struct PeerCredentials {
  pid_t pid = 0;
  uid_t uid = static_cast<uid_t>(-1);
  gid_t gid = static_cast<gid_t>(-1);
};
bool GetPeerCredentials(int fd, PeerCredentials* peer);

// Connects to the Unix stream socket at `path` (close-on-exec). Returns the
// descriptor, or -1 with a message for a person in *error.
int ConnectUnixSocket(const std::string& path, std::string* error);

}  // namespace tav

#endif  // TAV_UTIL_SOCKET_IO_H_
