// "Mark Reviewed..." in the audit viewer's lists: the reviewer signs the
// review of a range of a log with the Electronic Signature dialog (the
// meaning "Reviewed", an optional comment), and the review is recorded as
// an event of its own (services/filelib/audit_review.h).
#ifndef TAV_AUDIT_REVIEW_FLOW_H_
#define TAV_AUDIT_REVIEW_FLOW_H_

#include <optional>

#include "services/filelib/audit_review.h"

class QWidget;

namespace tav {

// Asks for the signature of `review` (its log and range set; the meaning
// and comment come from the dialog) and has the review recorded. Returns
// the review as recorded, with its count; nothing when the reviewer
// cancelled, or when the signature or the recording was refused, which the
// reviewer was then told.
std::optional<RecordedReview> SignReviewWithDialog(QWidget* parent, AuditReview review);

}  // namespace tav

#endif  // TAV_AUDIT_REVIEW_FLOW_H_
