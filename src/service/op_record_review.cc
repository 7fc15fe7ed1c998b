// kOpRecordReview: a signed review of a range of an audit trail. The
// signer's password is checked as a signature's, in the same call as the
// review is recorded, so that no client can record a review in another's
// name or check a password without its events: a failure records what a
// failed signature records and no review; a success records "Audit Trail
// Reviewed" for the signer, with the range and how many records it holds.
#include <syslog.h>

#include "protocol/event_ops.h"
#include "records/audit_code.h"
#include "service/handlers.h"
#include "services/filelib/audit_review.h"
#include "services/security/result_codes.h"
#include "util/auth_syslog.h"
#include "util/strings.h"

namespace tav::service {

HandlerReply HandleRecordReview(Session& session, protocol::MessageReader& request) {
  protocol::RecordReviewRequest review;
  WipeOnExit wipe(&review.password);
  if (!protocol::DecodeRequest(request, &review).ok()) return std::nullopt;

  protocol::RecordReviewReply reply;
  const bool forged = HasControlChar(review.user);
  const bool checked = !forged && !HasNul(review.domain) && !HasNul(review.password);
  reply.code = checked ? KorWinSec_aAuthenticateUser(review.user.c_str(), review.domain.c_str(),
                                                     review.password.c_str())
                       : kSecLogonFailure;
  StoreStatus status;
  if (reply.code == kSecOk) {
    reply.recorded_name = review.user;
    AuditReview what;
    what.log = static_cast<ReviewedLog>(review.log);
    what.first = static_cast<uint64_t>(review.first);
    what.last = static_cast<uint64_t>(review.last);
    what.meaning = review.meaning;
    what.comment = review.comment;
    status = session.events().RecordReview(review.user, &what);
    reply.count = static_cast<int64_t>(what.count);
  } else {
    const bool locked_now = checked && KorWinSec_LastAttemptLockedAccount() != 0;
    reply.recorded_name = forged ? kUnknownUserName : RecordedUserName(review.user.c_str());
    AuthSyslog(LOG_WARNING, "review signature refused; user=" + reply.recorded_name +
                                " code=" + std::to_string(reply.code));
    status = session.events().Record(kAuditFailedESignature, reply.recorded_name);
    if (status.ok() && reply.code == kSecPasswordExpired) {
      status = session.events().Record(kAuditPasswordExpired, reply.recorded_name);
    }
    if (status.ok() && locked_now) {
      status = session.events().Record(kAuditAccountLocked, reply.recorded_name);
    }
  }
  reply.status_code = status.code();
  reply.message = status.ok() ? std::string() : status.message();
  return protocol::EncodeReply(protocol::kOpRecordReview, reply);
}

}  // namespace tav::service
