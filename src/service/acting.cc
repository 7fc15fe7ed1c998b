#include "service/acting.h"

#include <pwd.h>

#include <fstream>
#include <vector>

namespace tav::service {
namespace {

std::string NameOf(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  return "uid " + std::to_string(uid);
}

// The audit login uid of the peer's process (set at login, kept through
// sudo and su); -1 when unknown.
long long PeerLoginUid(pid_t pid) {
  if (pid <= 0) return -1;
  std::ifstream file("/proc/" + std::to_string(pid) + "/loginuid");
  long long uid = -1;
  if (!(file >> uid) || uid == 4294967295LL) return -1;
  return uid;
}

}  // namespace

std::string PeerSystemUserName(const PeerCredentials& peer) {
  std::string name = NameOf(peer.uid);
  const long long login = PeerLoginUid(peer.pid);
  if (login >= 0 && static_cast<uid_t>(login) != peer.uid) {
    name += " (logged in as " + NameOf(static_cast<uid_t>(login)) + ")";
  }
  return name;
}

bool ActingName(const Session& session, const protocol::Actor& actor, std::string* name) {
  if (actor.logon == protocol::kNoLogon) {
    *name = PeerSystemUserName(session.peer());
    return true;
  }
  const Logon* logon = session.FindLogon(actor.logon);
  if (logon == nullptr) return false;
  *name = logon->user_name;
  if (actor.show_system_user) {
    std::string system_user = PeerSystemUserName(session.peer());
    // "root (logged in as bob)" reads "root, logged in as bob" inside.
    const size_t open = system_user.find(" (");
    if (open != std::string::npos && system_user.back() == ')') {
      system_user = system_user.substr(0, open) + ", " +
                    system_user.substr(open + 2, system_user.size() - open - 3);
    }
    *name += " (system user " + system_user + ")";
  }
  return true;
}

}  // namespace tav::service
