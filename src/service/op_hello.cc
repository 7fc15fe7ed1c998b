// kOpHello: the service's protocol version and the uid the kernel gave for
// the peer, so that a client can see whom the service takes it for.
#include "service/handlers.h"

namespace tav::service {

HandlerReply HandleHello(Session& session, protocol::MessageReader& request) {
  protocol::HelloRequest hello;
  if (!protocol::DecodeRequest(request, &hello).ok()) return std::nullopt;
  protocol::HelloReply reply;
  reply.peer_uid = static_cast<int64_t>(session.peer().uid);
  return protocol::EncodeReply(protocol::kOpHello, reply);
}

}  // namespace tav::service
