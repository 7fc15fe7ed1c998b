// kOpRunHistoryPage: a page of the run file history, oldest first. Any
// peer may read it.
#include "service/run_list_handling.h"

namespace tav::service {

HandlerReply HandleRunHistoryPage(Session&, protocol::MessageReader& request) {
  return ServeRunListPage(request, true);
}

}  // namespace tav::service
