// kOpRunListMove: MoveFileRecord for the request's actor.
#include "service/run_list_handling.h"

namespace tav::service {

HandlerReply HandleRunListMove(Session& session, protocol::MessageReader& request) {
  protocol::RunListMoveRequest r;
  if (!protocol::DecodeRequest(request, &r).ok()) return std::nullopt;
  return RunRunListOperation(session, protocol::kOpRunListMove, r.actor, {r.new_path, r.old_path},
                             [&](CRunListManager& manager, CFileRecordComp* record) {
                               return manager.MoveFileRecord(r.new_path.c_str(),
                                                             r.old_path.c_str(), r.replaced,
                                                             record);
                             });
}

}  // namespace tav::service
