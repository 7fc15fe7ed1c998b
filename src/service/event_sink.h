// EventSink: where the service's handlers record system events. The daemon
// writes them to the store's event log (StoreEventSink); the fuzzer and some
// tests put a sink of their own in its place, so that handlers run without
// a store.
//
// Thread safety: Record may be called from every connection's thread at
// once.
#ifndef TAV_SERVICE_EVENT_SINK_H_
#define TAV_SERVICE_EVENT_SINK_H_

#include <string>

#include "records/audit_code.h"
#include "services/filelib/audit_review.h"
#include "util/store_status.h"

namespace tav::service {

class EventSink {
 public:
  virtual ~EventSink() = default;
  // Records that `code` happened now for `user_name`. Ok once the event is
  // stored; otherwise the store's failure, which refuses the work it
  // reports.
  virtual StoreStatus Record(AUDITCODE code, const std::string& user_name) = 0;
  // Records a signed review for `reviewer` (services/filelib/audit_review.h),
  // setting review->count. A sink without a store refuses it.
  virtual StoreStatus RecordReview(const std::string& reviewer, AuditReview* review) {
    (void)reviewer;
    (void)review;
    return StoreStatus(StoreStatus::kUnavailable, "no store to record the review in");
  }
};

// The event log of the data directory (services/filelib/system_event_manager.h).
class StoreEventSink : public EventSink {
 public:
  StoreStatus Record(AUDITCODE code, const std::string& user_name) override;
  StoreStatus RecordReview(const std::string& reviewer, AuditReview* review) override;
};

}  // namespace tav::service

#endif  // TAV_SERVICE_EVENT_SINK_H_
