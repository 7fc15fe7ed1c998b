// kOpRunListImport: ImportFileRecord for the request's actor.
#include "service/run_list_handling.h"

namespace tav::service {

HandlerReply HandleRunListImport(Session& session, protocol::MessageReader& request) {
  protocol::RunListImportRequest r;
  if (!protocol::DecodeRequest(request, &r).ok()) return std::nullopt;
  return RunRunListOperation(session, protocol::kOpRunListImport, r.actor, {r.path},
                             [&](CRunListManager& manager, CFileRecordComp* record) {
                               return manager.ImportFileRecord(r.path.c_str(), record);
                             });
}

}  // namespace tav::service
