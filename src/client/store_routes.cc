#include "client/store_routes.h"

namespace tav::client {

void RouteStoreToService() {
  // Each facade's proxy registers itself here (one line per facade).
}

}  // namespace tav::client
