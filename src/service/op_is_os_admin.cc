// kOpIsOsAdmin: whether the PEER is a system administrator: root, or a
// member of the configured admin group. The service's own identity plays no
// part; without a readable configuration nobody but root is one.
#include "service/handlers.h"
#include "services/security/security_config.h"
#include "services/security/unix_accounts.h"

namespace tav::service {

bool PeerIsOsAdmin(uid_t uid) {
  if (uid == 0) return true;
  SecurityConfig config;
  std::string error;
  UnixUser user;
  if (!LoadSecurityConfig(&config, &error) || !LookUpUnixUser(uid, &user)) return false;
  return IsUnixAdmin(user, UnixGroupNames(user), config.admin_group);
}

HandlerReply HandleIsOsAdmin(Session& session, protocol::MessageReader& request) {
  if (!request.Finish().ok()) return std::nullopt;
  protocol::FlagReply reply;
  reply.flag = PeerIsOsAdmin(session.peer().uid);
  return protocol::EncodeReply(protocol::kOpIsOsAdmin, reply);
}

}  // namespace tav::service
