// Listener: accepts clients on the service's Unix stream socket and serves
// each connection on a thread of its own (the security service keeps its
// authenticated and impersonated users per thread, so a connection's
// requests run where its state lives).
//
// Limits: at most max_connections at once, and max_connections_per_uid for
// one peer uid; a connection beyond them is closed at once. A connection may
// stay idle between frames for as long as it likes (hosts keep theirs for
// hours), but once a frame has started the rest must come within
// rest_ms, and a reply must be taken within write_timeout_ms. A malformed
// or oversized frame, or a request that does not decode, ends that
// connection only.
//
// Thread safety: Start and Stop from one controlling thread; Stop is not
// async-signal-safe (the daemon waits for its signals with sigwait).
#ifndef TAV_SERVICE_LISTENER_H_
#define TAV_SERVICE_LISTENER_H_

#include <sys/types.h>

#include <atomic>
#include <cstddef>
#include <list>
#include <memory>
#include <mutex>
#include <thread>

#include "service/event_sink.h"
#include "util/socket_io.h"
#include "util/store_status.h"

namespace tav::service {

struct ListenerOptions {
  size_t max_connections = 256;
  size_t max_connections_per_uid = 32;
  FrameTimeouts read_timeouts{-1, 10000};
  int write_timeout_ms = 10000;
};

class Listener {
 public:
  // Takes over `listen_fd`, a bound and listening Unix stream socket, and
  // closes it when destroyed. `events` must outlive the listener.
  Listener(int listen_fd, EventSink& events, ListenerOptions options = {});
  ~Listener();
  Listener(const Listener&) = delete;
  Listener& operator=(const Listener&) = delete;

  // Starts accepting on a thread of its own.
  StoreStatus Start();

  // Stops accepting, ends every connection (their logons are closed) and
  // joins every thread. Does nothing when not started or stopped already.
  void Stop();

  // Connections being served now.
  size_t connection_count() const;

 private:
  struct Connection {
    int fd = -1;  // -1 once the connection has ended
    uid_t uid = 0;
    std::thread thread;
  };

  void AcceptLoop();
  void Accept();
  void Serve(Connection* connection, const PeerCredentials& peer);
  void ReapEnded();

  int listen_fd_;
  EventSink& events_;
  const ListenerOptions options_;
  int wake_[2] = {-1, -1};  // a pipe that wakes the accepting thread
  std::atomic<bool> stopping_{false};
  std::thread acceptor_;

  mutable std::mutex mutex_;
  std::list<std::unique_ptr<Connection>> connections_;  // guarded by mutex_
};

}  // namespace tav::service

#endif  // TAV_SERVICE_LISTENER_H_
