#include "service/listener.h"

#include <fcntl.h>
#include <poll.h>
#include <sodium.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <system_error>
#include <vector>

#include "protocol/wire.h"
#include "service/dispatch.h"
#include "service/session.h"

namespace tav::service {

Listener::Listener(int listen_fd, EventSink& events, ListenerOptions options)
    : listen_fd_(listen_fd), events_(events), options_(options) {}

Listener::~Listener() {
  Stop();
  if (listen_fd_ >= 0) close(listen_fd_);
  for (int fd : wake_) {
    if (fd >= 0) close(fd);
  }
}

StoreStatus Listener::Start() {
  if (acceptor_.joinable()) return StoreStatus(StoreStatus::kInvalid, "the listener runs already");
  if (pipe2(wake_, O_CLOEXEC | O_NONBLOCK) != 0) {
    return StoreStatus(StoreStatus::kIOError, std::string("pipe: ") + std::strerror(errno));
  }
  // A client that goes away between poll and accept must not block the loop.
  const int flags = fcntl(listen_fd_, F_GETFL);
  if (flags < 0 || fcntl(listen_fd_, F_SETFL, flags | O_NONBLOCK) != 0) {
    return StoreStatus(StoreStatus::kIOError, std::string("fcntl: ") + std::strerror(errno));
  }
  try {
    acceptor_ = std::thread(&Listener::AcceptLoop, this);
  } catch (const std::system_error& e) {
    return StoreStatus(StoreStatus::kIOError, std::string("no thread to accept on: ") + e.what());
  }
  return StoreStatus::Ok();
}

void Listener::Stop() {
  if (!acceptor_.joinable()) return;
  stopping_ = true;
  const char byte = 1;
  [[maybe_unused]] ssize_t ignored = write(wake_[1], &byte, 1);
  acceptor_.join();
  {
    // A connection closes its descriptor under the mutex, so none of these
    // has been closed (or reused) yet. Shutting it down wakes its thread
    // from any wait with end-of-file.
    std::lock_guard<std::mutex> lock(mutex_);
    for (const auto& connection : connections_) {
      if (connection->fd >= 0) shutdown(connection->fd, SHUT_RDWR);
    }
  }
  std::list<std::unique_ptr<Connection>> all;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    all.swap(connections_);
  }
  for (auto& connection : all) connection->thread.join();
}

size_t Listener::connection_count() const {
  std::lock_guard<std::mutex> lock(mutex_);
  size_t count = 0;
  for (const auto& connection : connections_) count += connection->fd >= 0 ? 1 : 0;
  return count;
}

void Listener::AcceptLoop() {
  while (!stopping_) {
    pollfd fds[2] = {{listen_fd_, POLLIN, 0}, {wake_[0], POLLIN, 0}};
    const int n = poll(fds, 2, -1);
    if (n < 0) {
      if (errno == EINTR) continue;
      break;  // cannot happen with valid descriptors
    }
    ReapEnded();
    if (stopping_) break;
    if (fds[0].revents & POLLIN) Accept();
  }
}

void Listener::ReapEnded() {
  std::vector<std::unique_ptr<Connection>> ended;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    for (auto it = connections_.begin(); it != connections_.end();) {
      if ((*it)->fd < 0) {
        ended.push_back(std::move(*it));
        it = connections_.erase(it);
      } else {
        ++it;
      }
    }
  }
  // Outside the mutex: an ending thread may still be on its way out.
  for (auto& connection : ended) connection->thread.join();
}

void Listener::Accept() {
  const int fd = accept4(listen_fd_, nullptr, nullptr, SOCK_CLOEXEC);
  if (fd < 0) {
    // Out of descriptors: give the connections time to end rather than
    // spinning on a listener that stays readable.
    if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM) {
      usleep(100 * 1000);
    }
    return;
  }
  PeerCredentials peer;
  if (!GetPeerCredentials(fd, &peer)) {
    close(fd);
    return;
  }
  std::lock_guard<std::mutex> lock(mutex_);
  size_t total = 0;
  size_t same_uid = 0;
  for (const auto& connection : connections_) {
    if (connection->fd < 0) continue;
    ++total;
    if (connection->uid == peer.uid) ++same_uid;
  }
  if (total >= options_.max_connections || same_uid >= options_.max_connections_per_uid) {
    close(fd);
    return;
  }
  auto connection = std::make_unique<Connection>();
  connection->fd = fd;
  connection->uid = peer.uid;
  Connection* served = connection.get();
  try {
    connection->thread = std::thread(&Listener::Serve, this, served, peer);
  } catch (const std::system_error&) {
    close(fd);
    return;
  }
  connections_.push_back(std::move(connection));
}

void Listener::Serve(Connection* connection, const PeerCredentials& peer) {
  // The thread may start before Accept has stored the connection: it reads
  // its descriptor under the mutex, as Stop does.
  int fd;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    fd = connection->fd;
  }
  {
    Session session(peer, events_);
    FrameReader reader;
    std::string payload;
    for (;;) {
      StoreStatus read = reader.Read(fd, protocol::kMaxPayloadBytes, options_.read_timeouts, &payload);
      if (!read.ok()) {
        sodium_memzero(payload.data(), payload.size());
        break;
      }
      DispatchResult result = HandleRequest(session, payload);
      // Requests carry passwords.
      sodium_memzero(payload.data(), payload.size());
      if (result.close) break;
      if (!WriteAll(fd, result.frame, options_.write_timeout_ms).ok()) break;
    }
  }  // the session's logons are closed here
  std::lock_guard<std::mutex> lock(mutex_);
  close(connection->fd);
  connection->fd = -1;
}

}  // namespace tav::service
