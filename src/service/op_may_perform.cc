// kOpMayPerform: whether one of the connection's logons may perform a
// controlled activity, from the logon's groups as the security service
// holds them and the stored rights: always while the features are off;
// fail closed (no right) while the settings cannot be read. Nothing is
// recorded. A logon the connection does not hold gets 6.
#include <list>

#include "protocol/settings_ops.h"
#include "service/handlers.h"
#include "service/settings_rights.h"
#include "services/config/system_configuration.h"
#include "services/security/result_codes.h"

namespace tav::service {

HandlerReply HandleMayPerform(Session& session, protocol::MessageReader& request) {
  protocol::MayPerformRequest ask;
  if (!protocol::DecodeRequest(request, &ask).ok()) return std::nullopt;
  protocol::MayPerformReply reply;
  protocol::WireUser user;
  if (!LogonUser(session, ask.logon, &user)) {
    reply.code = kSecInvalidHandle;
    return protocol::EncodeReply(protocol::kOpMayPerform, reply);
  }
  const std::list<std::string> groups(user.groups.begin(), user.groups.end());
  TamberTAV2ErrorCodes error = kConfigOk;
  reply.allowed = theSystemConfig.MayPerform(groups, static_cast<int>(ask.activity),
                                             &reply.features_on, &error) != 0;
  if (error != kConfigOk) {
    protocol::SetWireStatus(StoreStatus(error == kConfigBusy ? StoreStatus::kBusy
                                                             : StoreStatus::kIOError,
                                        CSystemConfiguration::LastErrorMessage()),
                            &reply.status, &reply.message);
  }
  return protocol::EncodeReply(protocol::kOpMayPerform, reply);
}

}  // namespace tav::service
