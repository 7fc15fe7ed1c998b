// The signature of an audit trail review: the signer's password is checked
// as a signature's and the review is recorded for the signer
// (services/filelib/audit_review.h), or nothing is recorded but what a
// failed signature records ("Failed E-Signature Attempt", ...).
//
// With the compliance service both happen there, in one call, so that the
// name on the review is the one whose password the service checked; a
// private store without a service is served in process.
//
// Threads: the calling thread's, as the logon backend.
#ifndef TAV_ESIG_REVIEW_SIGNATURE_H_
#define TAV_ESIG_REVIEW_SIGNATURE_H_

#include <string>

#include "logon/logon_backend.h"
#include "services/filelib/audit_review.h"

namespace tav {

struct ReviewSignature {
  int code = 0;              // the security service's answer: 0, or its error code
  std::string recorded;      // whom the events name
  StoreStatus status;        // whether the review (or the failure's events) was stored
  bool recorded_review() const { return code == 0 && status.ok(); }
};

// REQUIRES: `review` names its log, range and meaning; on a recorded
// review its count is set.
ReviewSignature SignAuditReview(LogonBackend& backend, const std::string& user,
                                const std::string& domain, const char* password,
                                AuditReview* review);

}  // namespace tav

#endif  // TAV_ESIG_REVIEW_SIGNATURE_H_
