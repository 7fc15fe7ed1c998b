#include "client/store_routes.h"

#include "client/event_log_proxy.h"

namespace tav::client {

void RouteStoreToService() {
  // Each facade's proxy registers itself here (one line per facade).
  EventLogSeam().Set(&TheEventLogProxy());
}

}  // namespace tav::client
