#include "service/event_sink.h"

#include "services/filelib/system_event_manager.h"

namespace tav::service {

StoreStatus StoreEventSink::Record(AUDITCODE code, const std::string& user_name) {
  CSystemEventManager events;
  return events.RecordSystemEvent(code, user_name.c_str());
}

StoreStatus StoreEventSink::RecordReview(const std::string& reviewer, AuditReview* review) {
  return RecordAuditReview(reviewer, review);
}

}  // namespace tav::service
