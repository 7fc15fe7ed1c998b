// kOpRunListDelete: DeleteFileRecord for the request's actor.
#include "service/run_list_handling.h"

namespace tav::service {

HandlerReply HandleRunListDelete(Session& session, protocol::MessageReader& request) {
  protocol::RunListDeleteRequest r;
  if (!protocol::DecodeRequest(request, &r).ok()) return std::nullopt;
  return RunRunListOperation(session, protocol::kOpRunListDelete, r.actor, {r.path},
                             [&](CRunListManager& manager, CFileRecordComp* record) {
                               return manager.DeleteFileRecord(r.path.c_str(), r.file_existed,
                                                               record);
                             });
}

}  // namespace tav::service
