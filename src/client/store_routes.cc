#include "client/store_routes.h"

#include "client/event_log_proxy.h"
#include "client/run_list_proxy.h"
#include "client/settings_proxy.h"

namespace tav::client {

void RouteStoreToService() {
  // Each facade's proxy registers itself here (one line per facade).
  EventLogSeam().Set(&TheEventLogProxy());
  RunListRemoteSeam().Set(&RunListProxy());
  RouteSettingsToService();
}

}  // namespace tav::client
