// kOpAcceptSettings: takes stored settings that fail their seal as they
// are, with an audit event of the acting administrator (settings_rights.h),
// and seals them. Refused for anyone else, storing nothing.
#include "protocol/settings_ops.h"
#include "service/handlers.h"
#include "service/settings_rights.h"
#include "services/config/system_configuration.h"

namespace tav::service {

HandlerReply HandleAcceptSettings(Session& session, protocol::MessageReader& request) {
  protocol::AcceptSettingsRequest accept;
  if (!protocol::DecodeRequest(request, &accept).ok()) return std::nullopt;
  protocol::WriteSettingsReply reply;
  std::string name;
  reply.code = MayChangeSettings(session, accept.actor, SettingsChange::kAccept, &name,
                                 &reply.message);
  if (reply.code == kConfigOk) {
    reply.code = theSystemConfig.AcceptStoredSettingsAs(accept.reason, name);
    if (reply.code != kConfigOk) reply.message = CSystemConfiguration::LastErrorMessage();
  }
  return protocol::EncodeReply(protocol::kOpAcceptSettings, reply);
}

}  // namespace tav::service
