// kOpWriteSettings: one or several settings rows, each sent as the record
// the client based its edit on (or none) and the edited record, stored in
// one transaction or not at all. The service checks the acting user's
// right (settings_rights.h), reads and checks every record, merges each
// edit into what is stored inside its transaction and records each change
// in the configuration audit trail (and a change of the switch as system
// event 8 or 9) under the name it knows for the actor. A refused request
// stores nothing.
#include "protocol/settings_ops.h"
#include "service/handlers.h"
#include "service/settings_rights.h"
#include "services/config/system_configuration.h"

namespace tav::service {

HandlerReply HandleWriteSettings(Session& session, protocol::MessageReader& request) {
  protocol::WriteSettingsRequest write;
  if (!protocol::DecodeRequest(request, &write).ok()) return std::nullopt;
  protocol::WriteSettingsReply reply;
  std::string name;
  reply.code = MayChangeSettings(session, write.actor, SettingsChange::kWrite, &name,
                                 &reply.message);
  if (reply.code != kConfigOk) return protocol::EncodeReply(protocol::kOpWriteSettings, reply);

  std::vector<RemoteSettingWrite> writes;
  writes.reserve(write.writes.size());
  for (protocol::SettingWrite& one : write.writes) {
    writes.push_back({std::move(one.row), one.has_base, std::move(one.base), std::move(one.edit),
                      std::move(one.reason)});
  }
  RemoteWriteResult result = theSystemConfig.StoreEdits(writes, name);
  reply.code = result.code;
  reply.message = std::move(result.message);
  reply.changed = result.changed;
  reply.stored = std::move(result.stored);
  return protocol::EncodeReply(protocol::kOpWriteSettings, reply);
}

}  // namespace tav::service
