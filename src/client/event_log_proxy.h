// The system event log through the compliance service: the client's
// EventLogRemote (services/filelib/event_log_remote.h), which pages the
// stored records out of the service (kOpListEvents) and has the service
// check the chain (kOpVerifyEvents). Registered by RouteStoreToService.
//
// Ownership: one proxy per process (TheEventLogProxy), alive until the
// process ends; it holds no state but the connection it shares.
// Thread safety: all functions may be called from any thread.
#ifndef TAV_CLIENT_EVENT_LOG_PROXY_H_
#define TAV_CLIENT_EVENT_LOG_PROXY_H_

#include <cstdint>

#include "protocol/event_ops.h"
#include "services/filelib/event_log_remote.h"
#include "services/filelib/store_verification.h"

namespace tav::client {

class EventLogProxy : public EventLogRemote {
 public:
  bool InUse() override;
  StoreStatus ForEachEvent(const std::function<bool(uint64_t seq, std::string_view record)>& row,
                           uint64_t* last_seq) override;
  StoreStatus VerifyEventLog(int* result, ChainReport* report, std::string* error) override;
  StoreStatus SignExport(int log, int format, uint64_t through, std::string_view sha256,
                         std::string* signature_file, std::string* note) override;
  StoreStatus LogWriters(ChainedLog log, std::vector<WriterRun>* runs) override;
  StoreStatus RecordReview(const std::string& user, const std::string& domain,
                           const char* password, AuditReview* review, int* code,
                           std::string* recorded) override;
};

// The process's proxy (registered once).
EventLogProxy& TheEventLogProxy();

// Has the service check the whole store (kOpVerifyStore) into *out. The
// returned status is the call's or the check's failure; the lines the
// service gathered until then are in *out either way.
StoreStatus VerifyStoreThroughService(StoreVerification* out);

// The service's signature of an export (protocol/event_ops.h,
// kOpSignExport); *note says why it is not time-stamped, when not.
StoreStatus SignExportThroughService(const protocol::SignExportRequest& request,
                                     std::string* signature_file, std::string* note);

// The most events the proxy asks for in one page (tests make pages small
// to cross many of them). 0 restores the protocol's largest page.
void SetEventPageLimitForTesting(int64_t limit);

}  // namespace tav::client

#endif  // TAV_CLIENT_EVENT_LOG_PROXY_H_
