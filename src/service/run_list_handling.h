// What the run-list handlers (op_run_list_*.cc, op_run_history_page.cc)
// share: the checks a client's paths get before they reach the run list,
// running one operation for the request's actor, and serving a page.
//
// The service runs the same CRunListManager code as a process without the
// service, under the name it gives the actor (service/acting.h); the client
// names a logon of its connection, never a user.
//
// Thread safety: the session's thread.
#ifndef TAV_SERVICE_RUN_LIST_HANDLING_H_
#define TAV_SERVICE_RUN_LIST_HANDLING_H_

#include <functional>
#include <initializer_list>
#include <string_view>

#include "protocol/run_list_ops.h"
#include "records/file_record_comp.h"
#include "service/handlers.h"
#include "services/filelib/run_list_manager.h"

namespace tav::service {

// False for a path that a client could abuse where the run list trusts
// its caller: one with a NUL byte (the run list takes C strings, so the
// path would be cut short) or another control character (it would forge
// lines in listings printed a record a line). Paths are otherwise checked
// by the run list itself, as in process.
bool AcceptableRunFilePath(std::string_view path);

// The reply to one run-list operation: code 6 when `actor` names a logon
// this session does not hold, the invalid-argument code when a path is not
// acceptable (nothing is recorded in either case), else what `operation`
// returns with the record it wrote, run on a manager that acts for the
// actor.
using RunListCall = std::function<int(CRunListManager& manager, CFileRecordComp* record)>;
HandlerReply RunRunListOperation(Session& session, protocol::Operation op,
                                 const protocol::Actor& actor,
                                 std::initializer_list<std::string_view> paths,
                                 const RunListCall& operation);

// The reply to a page request of the run list (history false) or history;
// std::nullopt when the request does not decode.
HandlerReply ServeRunListPage(protocol::MessageReader& request, bool history);

}  // namespace tav::service

#endif  // TAV_SERVICE_RUN_LIST_HANDLING_H_
