// Session: what the service knows of one client connection. The peer's
// credentials come from the kernel (SO_PEERCRED) when the connection is
// accepted, never from anything the client sends. The logons the
// connection holds are numbered 1, 2, 3, ... on that connection alone: a
// number is never reused on it, and means nothing on any other connection.
//
// Ownership: the session owns the security service's tokens of its logons
// and closes every one of them when it ends (the connection closed, the
// service stopping). The EventSink outlives the session.
//
// Thread safety: a session is used by its connection's thread only.
#ifndef TAV_SERVICE_SESSION_H_
#define TAV_SERVICE_SESSION_H_

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>

#include "service/event_sink.h"
#include "services/security/korwinsec.h"
#include "util/socket_io.h"

namespace tav::service {

struct Logon {
  HANDLE token = nullptr;  // the security service's token
  std::string user_name;   // whom "Logged Off" names
};

class Session {
 public:
  // Most logons one connection may hold at once.
  static constexpr size_t kMaxLogons = 1024;

  Session(const PeerCredentials& peer, EventSink& events);
  ~Session();
  Session(const Session&) = delete;
  Session& operator=(const Session&) = delete;

  const PeerCredentials& peer() const { return peer_; }
  EventSink& events() { return events_; }

  // Keeps `token` for `user_name` and returns its number on this
  // connection. 0 when the session holds kMaxLogons already: the token then
  // stays the caller's.
  int64_t AddLogon(HANDLE token, std::string user_name);

  // The logon numbered `number`; null when this session holds none by it.
  const Logon* FindLogon(int64_t number) const;

  // Forgets the logon numbered `number` and hands its token to the caller
  // in *token. False (nothing changes) when there is no such logon.
  bool TakeLogon(int64_t number, HANDLE* token);

  size_t logon_count() const { return logons_.size(); }

 private:
  const PeerCredentials peer_;
  EventSink& events_;
  std::map<int64_t, Logon> logons_;
  int64_t next_number_ = 1;
};

}  // namespace tav::service

#endif  // TAV_SERVICE_SESSION_H_
