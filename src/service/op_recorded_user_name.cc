// kOpRecordedUserName: the name an attempt's records would carry for a
// typed name (korwinsec.h RecordedUserName).
#include "service/handlers.h"
#include "util/strings.h"

namespace tav::service {

HandlerReply HandleRecordedUserName(Session&, protocol::MessageReader& request) {
  protocol::NameRequest name;
  if (!protocol::DecodeRequest(request, &name).ok()) return std::nullopt;
  protocol::NameReply reply;
  reply.name = HasControlChar(name.name) ? std::string(kUnknownUserName)
                                         : RecordedUserName(name.name.c_str());
  return protocol::EncodeReply(protocol::kOpRecordedUserName, reply);
}

}  // namespace tav::service
