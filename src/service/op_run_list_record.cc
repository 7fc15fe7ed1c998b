// kOpRunListRecord: RecordFileOperation for the request's actor. The run
// list refuses types other than created, copied and replaced itself.
#include "service/run_list_handling.h"

namespace tav::service {

HandlerReply HandleRunListRecord(Session& session, protocol::MessageReader& request) {
  protocol::RunListRecordRequest r;
  if (!protocol::DecodeRequest(request, &r).ok()) return std::nullopt;
  return RunRunListOperation(
      session, protocol::kOpRunListRecord, r.actor, {r.path, r.source_path},
      [&](CRunListManager& manager, CFileRecordComp* record) {
        return manager.RecordFileOperation(static_cast<int>(r.type), r.path.c_str(),
                                           r.source_path.empty() ? nullptr
                                                                 : r.source_path.c_str(),
                                           record);
      });
}

}  // namespace tav::service
