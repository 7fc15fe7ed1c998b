// Who a request acts for, as the service names it in what it records: the
// user of one of the connection's logons, or the peer's system user. The
// client only names a logon by number (protocol::Actor); every name comes
// from the service's own records and the kernel's peer credentials.
//
// Thread safety: the session's thread.
#ifndef TAV_SERVICE_ACTING_H_
#define TAV_SERVICE_ACTING_H_

#include <string>

#include "protocol/operations.h"
#include "service/session.h"

namespace tav::service {

// The peer's system user: "bob", "uid 1234" without a passwd entry, and
// "root (logged in as alice)" when the peer's session was logged in to as
// another user who then became this one (sudo).
std::string PeerSystemUserName(const PeerCredentials& peer);

// The name records made for `actor` carry: the logon's user ("alice", or
// "alice (system user root)" when the actor asks for the system user), or,
// with no logon, the peer's system user. False when the actor names a logon
// that the session does not hold: the request must then be refused with
// the security service's 6 (invalid handle) and nothing recorded.
bool ActingName(const Session& session, const protocol::Actor& actor, std::string* name);

}  // namespace tav::service

#endif  // TAV_SERVICE_ACTING_H_
