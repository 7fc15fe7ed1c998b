#include "util/socket_io.h"

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace tav {
namespace {

int64_t NowMs() {
  timespec ts;
  clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

// Waits until fd is ready for `events` or the deadline passes (-1: none).
StoreStatus WaitFor(int fd, short events, int64_t deadline) {
  for (;;) {
    int wait = -1;
    if (deadline >= 0) {
      int64_t left = deadline - NowMs();
      if (left <= 0) return StoreStatus(StoreStatus::kBusy, "the peer did not answer in time");
      wait = static_cast<int>(left);
    }
    pollfd p{fd, events, 0};
    int n = poll(&p, 1, wait);
    if (n > 0) return StoreStatus::Ok();
    if (n == 0) continue;  // the loop checks the deadline
    if (errno == EINTR) continue;
    return StoreStatus(StoreStatus::kIOError, std::string("poll: ") + std::strerror(errno));
  }
}

int64_t Deadline(int timeout_ms) { return timeout_ms < 0 ? -1 : NowMs() + timeout_ms; }

constexpr size_t kFrameHeaderSize = 4;

// Reads exactly n bytes. *clean_eof is set when the peer closed before the
// first byte.
StoreStatus ReadExactly(int fd, char* data, size_t n, int64_t first_deadline,
                        int rest_timeout_ms, bool* clean_eof) {
  size_t done = 0;
  int64_t deadline = first_deadline;
  while (done < n) {
    StoreStatus ready = WaitFor(fd, POLLIN, deadline);
    if (!ready.ok()) return ready;
    ssize_t got = recv(fd, data + done, n - done, MSG_DONTWAIT);
    if (got == 0) {
      if (done == 0 && clean_eof != nullptr) *clean_eof = true;
      return StoreStatus(StoreStatus::kIOError, "the peer closed the connection");
    }
    if (got < 0) {
      if (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK) continue;
      return StoreStatus(StoreStatus::kIOError, std::string("recv: ") + std::strerror(errno));
    }
    if (done == 0 && clean_eof != nullptr) {
      // The frame has started: the rest must follow within its own limit.
      deadline = Deadline(rest_timeout_ms);
    }
    done += static_cast<size_t>(got);
  }
  return StoreStatus::Ok();
}

// The payload length a frame header announces, refused beyond max_payload.
StoreStatus PayloadLength(const unsigned char header[4], uint32_t max_payload, uint32_t* length) {
  *length = (uint32_t{header[0]} << 24) | (uint32_t{header[1]} << 16) |
            (uint32_t{header[2]} << 8) | uint32_t{header[3]};
  if (*length <= max_payload) return StoreStatus::Ok();
  return StoreStatus(StoreStatus::kInvalid, "a frame of " + std::to_string(*length) +
                                                " bytes is larger than the limit of " +
                                                std::to_string(max_payload));
}

}  // namespace

StoreStatus ReadFrame(int fd, uint32_t max_payload, const FrameTimeouts& timeouts,
                      std::string* payload) {
  unsigned char header[4];
  bool clean_eof = false;
  StoreStatus status = ReadExactly(fd, reinterpret_cast<char*>(header), sizeof header,
                                   Deadline(timeouts.first_byte_ms), timeouts.rest_ms, &clean_eof);
  if (clean_eof) return StoreStatus(StoreStatus::kNotFound, "the peer closed the connection");
  if (!status.ok()) return status;
  uint32_t length = 0;
  status = PayloadLength(header, max_payload, &length);
  if (!status.ok()) return status;
  payload->assign(length, '\0');
  return ReadExactly(fd, payload->data(), length, Deadline(timeouts.rest_ms), timeouts.rest_ms,
                     nullptr);
}

namespace {

// One read of whatever has arrived, up to `n` bytes: the count, 0 when
// nothing is there yet, or a failure (the peer closed: kIOError, with
// *closed set).
StoreStatus ReadSome(int fd, char* data, size_t n, size_t* got, bool* closed) {
  for (;;) {
    const ssize_t r = recv(fd, data, n, MSG_DONTWAIT);
    if (r > 0) {
      *got = static_cast<size_t>(r);
      return StoreStatus::Ok();
    }
    if (r == 0) {
      *closed = true;
      return StoreStatus(StoreStatus::kIOError, "the peer closed the connection");
    }
    if (errno == EINTR) continue;
    if (errno == EAGAIN || errno == EWOULDBLOCK) {
      *got = 0;
      return StoreStatus::Ok();
    }
    return StoreStatus(StoreStatus::kIOError, std::string("recv: ") + std::strerror(errno));
  }
}

// Most requests and replies fit: one read takes a whole frame.
constexpr size_t kReadChunk = 16384;

}  // namespace

void FrameReader::Reset() {
  if (!buffer_.empty()) explicit_bzero(buffer_.data(), buffer_.size());
  buffer_.clear();
  start_ = 0;
}

StoreStatus FrameReader::Read(int fd, uint32_t max_payload, const FrameTimeouts& timeouts,
                              std::string* payload) {
  // The header: from the kept bytes, else waited for and read with as much
  // of the payload as has come.
  int64_t deadline = Deadline(timeouts.first_byte_ms);
  bool started = start_ < buffer_.size();
  if (started) deadline = Deadline(timeouts.rest_ms);
  while (buffer_.size() - start_ < kFrameHeaderSize) {
    if (start_ > 0) {
      buffer_.erase(0, start_);
      start_ = 0;
    }
    StoreStatus ready = WaitFor(fd, POLLIN, deadline);
    if (!ready.ok()) return ready;
    const size_t had = buffer_.size();
    // Room for a chunk without moving what is kept (a move would leave a
    // copy of a password behind).
    if (buffer_.capacity() < had + kReadChunk) buffer_.reserve(2 * kReadChunk);
    buffer_.resize(had + kReadChunk);
    size_t got = 0;
    bool closed = false;
    StoreStatus status = ReadSome(fd, buffer_.data() + had, kReadChunk, &got, &closed);
    buffer_.resize(had + got);
    if (closed && !started) return StoreStatus(StoreStatus::kNotFound, status.message());
    if (!status.ok()) return status;
    if (got > 0 && !started) {
      started = true;
      deadline = Deadline(timeouts.rest_ms);
    }
  }
  const auto* header = reinterpret_cast<const unsigned char*>(buffer_.data() + start_);
  uint32_t length = 0;
  const StoreStatus limit = PayloadLength(header, max_payload, &length);
  if (!limit.ok()) return limit;
  start_ += kFrameHeaderSize;
  const size_t kept = std::min<size_t>(length, buffer_.size() - start_);
  payload->assign(buffer_, start_, kept);
  explicit_bzero(buffer_.data() + start_, kept);
  start_ += kept;
  if (start_ == buffer_.size()) {
    buffer_.clear();
    start_ = 0;
  }
  if (kept == length) return StoreStatus::Ok();
  // The rest of a long payload goes straight into it.
  payload->resize(length);
  return ReadExactly(fd, payload->data() + kept, length - kept, deadline, timeouts.rest_ms,
                     nullptr);
}

StoreStatus WriteAll(int fd, std::string_view frame, int timeout_ms) {
  const int64_t deadline = Deadline(timeout_ms);
  size_t done = 0;
  while (done < frame.size()) {
    ssize_t sent = send(fd, frame.data() + done, frame.size() - done, MSG_NOSIGNAL | MSG_DONTWAIT);
    if (sent > 0) {
      done += static_cast<size_t>(sent);
      continue;
    }
    if (sent < 0 && errno == EINTR) continue;
    if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
      StoreStatus ready = WaitFor(fd, POLLOUT, deadline);
      if (!ready.ok()) return ready;
      continue;
    }
    return StoreStatus(StoreStatus::kIOError, std::string("send: ") + std::strerror(errno));
  }
  return StoreStatus::Ok();
}

bool GetPeerCredentials(int fd, PeerCredentials* peer) {
  ucred cred{};
  socklen_t size = sizeof cred;
  if (getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &cred, &size) != 0 || size != sizeof cred) {
    return false;
  }
  peer->pid = cred.pid;
  peer->uid = cred.uid;
  peer->gid = cred.gid;
  return true;
}

int ConnectUnixSocket(const std::string& path, std::string* error) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  if (path.empty() || path.size() >= sizeof address.sun_path) {
    *error = "the socket path \"" + path + "\" is empty or too long";
    return -1;
  }
  std::memcpy(address.sun_path, path.c_str(), path.size() + 1);
  int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
  if (fd < 0) {
    *error = std::string("socket: ") + std::strerror(errno);
    return -1;
  }
  // A listener whose backlog is full makes connect() wait: bound that wait.
  timeval wait{5, 0};
  setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &wait, sizeof wait);
  if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
    *error = path + ": " + std::strerror(errno);
    close(fd);
    return -1;
  }
  return fd;
}

}  // namespace tav
