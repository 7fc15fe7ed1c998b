#include "client/store_routes.h"

#include "client/settings_proxy.h"

namespace tav::client {

void RouteStoreToService() {
  // Each facade's proxy registers itself here (one line per facade).
  RouteSettingsToService();
}

}  // namespace tav::client
