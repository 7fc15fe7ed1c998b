// The run list through the compliance service: the client's RunListRemote
// (services/filelib/run_list_remote.h), in use whenever the process must
// use the service (UsesComplianceService). Each operation is one request
// that names the calling thread's actor (CurrentActor); each page one
// request.
//
// Failures to reach the service are results: the run list's storage
// error (kBusy: its busy code). A logon that the service no longer holds
// (it restarted) records nothing and gives the storage error too.
//
// Thread safety: may be called from any thread.
#ifndef TAV_CLIENT_RUN_LIST_PROXY_H_
#define TAV_CLIENT_RUN_LIST_PROXY_H_

#include "services/filelib/run_list_remote.h"

namespace tav::client {

// The proxy that RouteStoreToService registers; it lives as long as the
// process.
RunListRemote& RunListProxy();

}  // namespace tav::client

#endif  // TAV_CLIENT_RUN_LIST_PROXY_H_
