// Routes the store facades of this process (the event log, the settings,
// the run list) to the compliance service whenever the process must use it
// (service_client.h: UsesComplianceService). The library calls it when it
// loads, tavsec when it starts; tavsecd and the offline tools never do.
//
// Thread safety: may be called from any thread, any number of times.
#ifndef TAV_CLIENT_STORE_ROUTES_H_
#define TAV_CLIENT_STORE_ROUTES_H_

namespace tav::client {

void RouteStoreToService();

}  // namespace tav::client

#endif  // TAV_CLIENT_STORE_ROUTES_H_
