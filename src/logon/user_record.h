// UserRecord: the library's in-memory user, and LogonState: who is logged on.
//
// The logon state is process-wide: the current user, the logon token with
// which that user is impersonated on the thread that logged on, and the
// check record of the last user confirmed without a logon. The library owns
// the token: it closes a token it replaces, and a logoff ends it.
//
// The state lives here, below the exported interface, because every feature
// (signatures, the configuration dialog, the viewers) reads the current
// user; the interface only exports views of it (TAVCurrentUser).
//
// Threads: the thread that calls the library; no lock.
#ifndef TAV_LOGON_USER_RECORD_H_
#define TAV_LOGON_USER_RECORD_H_

#include <cstdint>
#include <list>
#include <string>

namespace tav {

using HANDLE = void*;

struct UserRecord {
  std::string user_name;     // account name, as typed or as the service reports it
  std::string domain;        // empty on a machine without a domain
  std::string logon_server;  // only filled when refreshed from a token
  std::string full_name;
  std::string description;
  uint8_t is_admin = 0;  // 0 or 1
  std::list<std::string> groups;  // in the order the service lists them

  void Clear() { *this = UserRecord(); }
  bool operator==(const UserRecord&) const = default;
};

struct LogonState {
  UserRecord current_user;  // empty while nobody is logged on
  HANDLE token = nullptr;   // null while nobody is logged on; owned
  UserRecord check_record;  // the last user TAVSecurityUI_DoAuthCheck confirmed

  bool logged_on() const { return token != nullptr; }
};

// The logon state of the process, empty at load.
LogonState& TheLogonState();

// "a, b, c": the groups in order, joined by a comma and a blank.
std::string JoinGroups(const std::list<std::string>& groups);

}  // namespace tav

#endif  // TAV_LOGON_USER_RECORD_H_
