// Reviews as the event log keeps them: the stored text and its reading
// back, and the ranges a review may cover.
#include "services/filelib/audit_review.h"

#include <gtest/gtest.h>

#include <memory>

#include "records/audit_code.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/system_event_manager.h"
#include "testing/temp_data_dir.h"
#include "util/file.h"

namespace tav {
namespace {

TEST(AuditReviewText, ReadsBackWhatItWritesAndNothingElse) {
  AuditReview review;
  review.log = ReviewedLog::kConfigTrail;
  review.first = 12;
  review.last = 250;
  review.count = 1;
  review.meaning = "Reviewed";
  review.comment = "two\nlines. Meaning: forged";
  const std::string text = ReviewText(review);
  EXPECT_EQ(text,
            "Reviewed configuration changes 12 to 250 (1 record). Meaning: Reviewed. Comment: "
            "two lines. Meaning: forged");
  const std::optional<AuditReview> back = ParseReviewText(text);
  ASSERT_TRUE(back);
  EXPECT_EQ(back->log, ReviewedLog::kConfigTrail);
  EXPECT_EQ(back->first, 12u);
  EXPECT_EQ(back->last, 250u);
  EXPECT_EQ(back->count, 1u);
  EXPECT_EQ(back->comment, "two lines. Meaning: forged");

  for (const char* bad : {"Reviewed system events 5 to 4 (1 record). Meaning: R.",
                          "Reviewed system events 0 to 4 (1 record). Meaning: R.",
                          "Reviewed system events 1 to 4 (2 record). Meaning: R.",
                          "Reviewed system events 1 to 4 (2 records). Meaning: R. extra",
                          "Reviewed system events 1 to 4 (2 records)",
                          "Reviewed run files 1 to 4 (2 records). Meaning: R.", ""}) {
    EXPECT_FALSE(ParseReviewText(bad)) << bad;
  }
}

void Append(int n) {
  std::shared_ptr<ComplianceDb> db;
  ASSERT_TRUE(ComplianceDb::Get(&db).ok());
  for (int i = 0; i < n; ++i) {
    std::unique_ptr<CAuditEventComp> event = MakeSystemEvent(kAuditSuccessfulLogin, "alice");
    CMemFile file(256);
    event->StreamDataOut(&file);
    const std::string chunk = file.TakeString();
    ASSERT_TRUE(
        db->Write([&](SqlDb& c) { return AppendChained(c, ChainedLog::kSystemEvents, chunk); })
            .ok());
  }
}

TEST(AuditReviewStore, ARangeMustLieInTheLogAndIsCountedWhenRecorded) {
  testing::TempDataDir dir;
  Append(4);
  AuditReview review;
  review.meaning = kReviewMeaning;
  review.first = 3;
  review.last = 5;  // the log ends at 4
  StoreStatus status = RecordAuditReview("rita", &review);
  EXPECT_EQ(status.code(), StoreStatus::kInvalid) << status.message();
  review.first = 0;
  review.last = 2;
  EXPECT_EQ(RecordAuditReview("rita", &review).code(), StoreStatus::kInvalid);

  review.first = 2;
  review.last = 4;
  status = RecordAuditReview("rita", &review);
  ASSERT_TRUE(status.ok()) << status.message();
  EXPECT_EQ(review.count, 3u);
  // The review is event 5; the next may start after the last one's end.
  review.first = 5;
  review.last = 5;
  ASSERT_TRUE(RecordAuditReview("sam", &review).ok());

  CSystemEventManager events;
  const CAuditCollectionComp* log = events.LoadEventList();
  ASSERT_NE(log, nullptr);
  const std::vector<RecordedReview> reviews = FindReviews(*log);
  ASSERT_EQ(reviews.size(), 2u);
  EXPECT_EQ(reviews[0].seq, 5u);
  EXPECT_EQ(reviews[0].reviewer, "rita");
  EXPECT_EQ(reviews[1].review.first, 5u);
  const ReviewIndex events_index(reviews, ReviewedLog::kSystemEvents);
  EXPECT_FALSE(events_index.Covers(1));
  EXPECT_TRUE(events_index.Covers(4));
  EXPECT_TRUE(events_index.Covers(5));
  EXPECT_FALSE(events_index.Covers(6));
  EXPECT_FALSE(ReviewIndex(reviews, ReviewedLog::kConfigTrail).Covers(4));
}

TEST(AuditReviewIndex, MergesOverlappingAdjacentAndNestedRangesOfItsLogOnly) {
  auto review = [](ReviewedLog log, uint64_t first, uint64_t last) {
    RecordedReview r;
    r.reviewer = "rita";
    r.review.log = log;
    r.review.first = first;
    r.review.last = last;
    r.review.count = last - first + 1;
    r.review.meaning = kReviewMeaning;
    return r;
  };
  // Out of order, as reviews of different stretches are made.
  const std::vector<RecordedReview> reviews = {
      review(ReviewedLog::kSystemEvents, 20, 30), review(ReviewedLog::kSystemEvents, 10, 12),
      review(ReviewedLog::kSystemEvents, 13, 15), review(ReviewedLog::kSystemEvents, 22, 25),
      review(ReviewedLog::kSystemEvents, 28, 40), review(ReviewedLog::kConfigTrail, 16, 19)};
  const ReviewIndex index(reviews, ReviewedLog::kSystemEvents);
  std::vector<uint64_t> covered;
  for (uint64_t seq = 0; seq <= 45; ++seq) {
    if (index.Covers(seq)) covered.push_back(seq);
  }
  std::vector<uint64_t> expected;
  for (uint64_t seq = 10; seq <= 15; ++seq) expected.push_back(seq);
  for (uint64_t seq = 20; seq <= 40; ++seq) expected.push_back(seq);
  EXPECT_EQ(covered, expected);
  EXPECT_TRUE(ReviewIndex(reviews, ReviewedLog::kConfigTrail).Covers(16));
  EXPECT_FALSE(ReviewIndex({}, ReviewedLog::kSystemEvents).Covers(0));

  // A report of 14..21 lists the reviews that meet it, of its own log.
  const std::vector<std::string> lines =
      ReviewLinesMeeting(reviews, ReviewedLog::kSystemEvents, 14, 21);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("rita: Reviewed system events 20 to 30"), std::string::npos) << lines[0];
  EXPECT_NE(lines[1].find("rita: Reviewed system events 13 to 15"), std::string::npos) << lines[1];
  EXPECT_TRUE(ReviewLinesMeeting(reviews, ReviewedLog::kConfigTrail, 1, 15).empty());
}

}  // namespace
}  // namespace tav
