// EventLogRemote: the system event log as the compliance service serves it,
// for CSystemEventManager in a process that must not open the store (see
// remote_seam.h). The client implements it (client/event_log_proxy.h).
//
// The service hands out the stored records as they are; the manager builds
// its list and its export from them exactly as it does from the store, so
// that both paths give the same list and the same file.
//
// Ownership: a registered remote lives until the process ends (see
// remote_seam.h); the manager only borrows it.
// Thread safety: implementations may be called from any thread.
#ifndef TAV_SERVICES_FILELIB_EVENT_LOG_REMOTE_H_
#define TAV_SERVICES_FILELIB_EVENT_LOG_REMOTE_H_

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include <vector>

#include "services/filelib/audit_review.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/remote_seam.h"
#include "services/filelib/store_status.h"

namespace tav {

struct ChainReport;
struct WriterRun;

class EventLogRemote {
 public:
  virtual ~EventLogRemote() = default;

  // True when this process must ask the service now.
  virtual bool InUse() = 0;

  // Calls `row` with every stored event in order, page by page, until it
  // returns false. *last_seq (when given) receives the log's last sequence
  // number as the first page saw it, before `row` is first called.
  virtual StoreStatus ForEachEvent(
      const std::function<bool(uint64_t seq, std::string_view record)>& row,
      uint64_t* last_seq) = 0;

  // The service's check of the hash chain: its result (0 or a negative
  // file library code) with the report or the error text. A failure to
  // reach the service is a failed status.
  virtual StoreStatus VerifyEventLog(int* result, ChainReport* report, std::string* error) = 0;
  // The service's signature over an export that this process rendered
  // (audit/signed_export.h): `log` 0 events, 1 trail; `format` 0 CSV, 1
  // JSON; `sha256` its 32 bytes. *note says why it is not time-stamped.
  virtual StoreStatus SignExport(int log, int format, uint64_t through, std::string_view sha256,
                                 std::string* signature_file, std::string* note) = 0;
  // Who stored each record of `log` (services/filelib/log_writers.h), all
  // pages of it.
  virtual StoreStatus LogWriters(ChainedLog log, std::vector<WriterRun>* runs) = 0;
  // The service checks the signer's password and records the review of
  // *review (audit_review.h), in one call. *code is the security service's
  // answer (0, 1326, ...) and *recorded whom the events name; the status
  // says whether what the answer asks for (the review, or the failed
  // signature's events) was stored. On success review->count is set.
  virtual StoreStatus RecordReview(const std::string& user, const std::string& domain,
                                   const char* password, AuditReview* review, int* code,
                                   std::string* recorded) = 0;
};

// The remote of the data directory's event log (registered by the client).
// Inline, so that the client registers without linking the store.
inline RemoteSeam<EventLogRemote>& EventLogSeam() {
  static RemoteSeam<EventLogRemote> seam;
  return seam;
}

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_EVENT_LOG_REMOTE_H_
