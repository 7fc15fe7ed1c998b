// kOpSignExport: signs an export that a client rendered, once the service
// has rendered the same bytes from its store (audit/signed_export.h). Any
// peer may ask, as any may list the logs: the signature says only that the
// store held these records, never who asked.
#include "audit/signed_export.h"
#include "protocol/event_ops.h"
#include "service/handlers.h"

#include <cstring>

namespace tav::service {

HandlerReply HandleSignExport(Session&, protocol::MessageReader& request) {
  protocol::SignExportRequest sign;
  if (!protocol::DecodeRequest(request, &sign).ok()) return std::nullopt;
  Sha256 sha256;
  std::memcpy(sha256.data(), sign.sha256.data(), sha256.size());
  protocol::SignExportReply reply;
  const StoreStatus status = SignLogExport(
      static_cast<ExportedLog>(sign.log), sign.format == 0 ? TableFormat::kCsv : TableFormat::kJson,
      static_cast<uint64_t>(sign.through), sha256, &reply.signature_file, &reply.note);
  reply.status_code = static_cast<int64_t>(status.code());
  reply.error = status.message();
  if (!status.ok()) reply.signature_file.clear();
  return protocol::EncodeReply(protocol::kOpSignExport, reply);
}

}  // namespace tav::service
