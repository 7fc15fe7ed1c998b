// kOpGetDomain: the configured domain, if any.
#include <string>

#include "service/handlers.h"

namespace tav::service {

HandlerReply HandleGetDomain(Session&, protocol::MessageReader& request) {
  if (!request.Finish().ok()) return std::nullopt;
  protocol::DomainReply reply;
  const int length = KorWinSec_aGetWindowsDomain(nullptr, 0);
  if (length >= 0) {
    std::string domain(static_cast<size_t>(length) + 1, '\0');
    if (KorWinSec_aGetWindowsDomain(domain.data(), length + 1) == length &&
        static_cast<size_t>(length) <= protocol::kMaxTextField) {
      domain.resize(static_cast<size_t>(length));
      reply.has_domain = true;
      reply.domain = std::move(domain);
    }
  }
  return protocol::EncodeReply(protocol::kOpGetDomain, reply);
}

}  // namespace tav::service
