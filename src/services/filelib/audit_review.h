// Reviews of the audit trails: a person signs that a range of records of a
// log was reviewed, and the system event log keeps it as an event of its
// own ("Audit Trail Reviewed", code 19) for the signer, whose reason for
// change says what was reviewed, in a fixed form that is also read back:
//
//     Reviewed system events 12 to 250 (239 records). Meaning: Reviewed.
//     Comment: weekly review
//
// (on one line; "Comment: ..." only when one was given). The range is of
// sequence numbers, both ends included; the count is of the records the log
// held in it when the review was recorded (fewer than the range's width when
// records are missing). The next review can start after the last one's end.
//
// The range covers every record in it, also those a viewer's filter hid:
// a review is of a stretch of the log, never of a selection from it.
//
// Threads: any; the store does its own locking.
#ifndef TAV_SERVICES_FILELIB_AUDIT_REVIEW_H_
#define TAV_SERVICES_FILELIB_AUDIT_REVIEW_H_

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "records/audit_collection_comp.h"
#include "services/filelib/store_status.h"
#include "util/ole_date.h"

namespace tav {

// The logs that are reviewed. The values travel on the service's socket.
enum class ReviewedLog : int { kSystemEvents = 0, kConfigTrail = 1 };

struct AuditReview {
  ReviewedLog log = ReviewedLog::kSystemEvents;
  uint64_t first = 0;
  uint64_t last = 0;
  uint64_t count = 0;   // set when the review is recorded
  std::string meaning;  // "Reviewed"
  std::string comment;  // may be empty
};

// The meaning a review is signed with.
inline constexpr char kReviewMeaning[] = "Reviewed";
// The longest comment kept.
inline constexpr size_t kMaxReviewComment = 1024;

// The event's reason text; ParseReviewText reads it back (nothing for a
// text of another form).
std::string ReviewText(const AuditReview& review);
std::optional<AuditReview> ParseReviewText(std::string_view text);

// "system events 12 to 250" / "configuration changes 3 to 9".
std::string ReviewRangeText(const AuditReview& review);

// Records the review of `review` (its range, meaning and comment) for
// `reviewer` in the data directory's store, in one transaction: the range
// must lie within the log (1 <= first <= last <= its last record) and hold
// at least one record, else kInvalid with the reason and nothing stored.
// On success review->count holds the count recorded. REQUIRES: the caller
// has checked the reviewer's signature (the compliance service, or the
// process that owns a private store).
StoreStatus RecordAuditReview(const std::string& reviewer, AuditReview* review);

// A review found in the system event log.
struct RecordedReview {
  uint64_t seq = 0;  // the review's own event
  DATE date = 0;
  std::string reviewer;
  AuditReview review;
};
// The reviews among `events` (the system event log as loaded; its first
// event numbered by its sequence number).
std::vector<RecordedReview> FindReviews(const CAuditCollectionComp& events);

// Which records of one log the reviews cover, for asking of every record
// of a long log: the reviews' ranges merged and in order, so that a million
// records under years of reviews are each looked up, not compared with
// every review.
class ReviewIndex {
 public:
  ReviewIndex(const std::vector<RecordedReview>& reviews, ReviewedLog log);
  bool Covers(uint64_t seq) const;

 private:
  std::vector<std::pair<uint64_t, uint64_t>> ranges_;  // disjoint, in order
};

// "2026-12-08 09:00:00 alice: Reviewed system events ..." for a report.
std::string ReviewLine(const RecordedReview& review);

// The report lines of the reviews of `log` whose range meets first..last,
// in the order of the log.
std::vector<std::string> ReviewLinesMeeting(const std::vector<RecordedReview>& reviews,
                                            ReviewedLog log, uint64_t first, uint64_t last);

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_AUDIT_REVIEW_H_
