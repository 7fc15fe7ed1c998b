// kOpRunListPage: a page of the run list. Any peer may read it.
#include "service/run_list_handling.h"

namespace tav::service {

HandlerReply HandleRunListPage(Session&, protocol::MessageReader& request) {
  return ServeRunListPage(request, false);
}

}  // namespace tav::service
