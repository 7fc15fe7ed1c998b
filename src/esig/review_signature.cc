#include "esig/review_signature.h"

#include "services/filelib/event_log_remote.h"

namespace tav {

ReviewSignature SignAuditReview(LogonBackend& backend, const std::string& user,
                                const std::string& domain, const char* password,
                                AuditReview* review) {
  ReviewSignature out;
  if (EventLogRemote* remote = EventLogSeam().InUse()) {
    out.status = remote->RecordReview(user, domain, password, review, &out.code, &out.recorded);
    return out;
  }
  const RecordedAttempt attempt =
      backend.AuthenticateAndRecord(AttemptPurpose::kSignature, user.c_str(), domain.c_str(),
                                    password);
  out.code = attempt.code;
  out.recorded = attempt.recorded;
  out.status = attempt.event;
  if (attempt.code != 0 || !attempt.event.ok()) return out;
  out.recorded = user;
  out.status = RecordAuditReview(user, review);
  return out;
}

}  // namespace tav
