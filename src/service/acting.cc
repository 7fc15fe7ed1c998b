#include "service/acting.h"

#include "services/filelib/acting_user.h"

namespace tav::service {

std::string PeerSystemUserName(const PeerCredentials& peer) {
  // A pid of 0 is an unknown peer, not this process.
  return SystemUserName(peer.uid, peer.pid > 0 ? LoginUidOf(peer.pid) : -1);
}

bool ActingName(const Session& session, const protocol::Actor& actor, std::string* name) {
  if (actor.logon == protocol::kNoLogon) {
    *name = PeerSystemUserName(session.peer());
    return true;
  }
  const Logon* logon = session.FindLogon(actor.logon);
  if (logon == nullptr) return false;
  *name = actor.show_system_user
              ? NameWithSystemUser(logon->user_name, PeerSystemUserName(session.peer()))
              : logon->user_name;
  return true;
}

}  // namespace tav::service
