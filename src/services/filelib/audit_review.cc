#include "services/filelib/audit_review.h"

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <memory>

#include "records/audit_code.h"
#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/record_chain.h"
#include "services/filelib/system_event_manager.h"
#include "util/file.h"

namespace tav {
namespace {

constexpr std::string_view kReviewed = "Reviewed ";
constexpr std::string_view kMeaning = ". Meaning: ";
constexpr std::string_view kComment = " Comment: ";

const char* LogWords(ReviewedLog log) {
  return log == ReviewedLog::kSystemEvents ? "system events" : "configuration changes";
}

ChainedLog ChainOf(ReviewedLog log) {
  return log == ReviewedLog::kSystemEvents ? ChainedLog::kSystemEvents : ChainedLog::kConfigAudit;
}

// Reads a decimal number at the start of *text and drops it.
bool TakeNumber(std::string_view* text, uint64_t* out) {
  const auto [end, ec] = std::from_chars(text->data(), text->data() + text->size(), *out);
  if (ec != std::errc() || end == text->data()) return false;
  text->remove_prefix(static_cast<size_t>(end - text->data()));
  return true;
}

bool TakePrefix(std::string_view* text, std::string_view prefix) {
  if (text->substr(0, prefix.size()) != prefix) return false;
  text->remove_prefix(prefix.size());
  return true;
}

// One line: a comment's line breaks and other control characters become
// spaces, so that the text reads back and lists as one line.
std::string OneLine(std::string_view text) {
  std::string out(text.substr(0, kMaxReviewComment));
  for (char& c : out) {
    if (static_cast<unsigned char>(c) < 32 || c == 127) c = ' ';
  }
  return out;
}

}  // namespace

std::string ReviewRangeText(const AuditReview& review) {
  return std::string(LogWords(review.log)) + " " + std::to_string(review.first) + " to " +
         std::to_string(review.last);
}

std::string ReviewText(const AuditReview& review) {
  std::string text = std::string(kReviewed) + ReviewRangeText(review) + " (" +
                     std::to_string(review.count) + (review.count == 1 ? " record" : " records") +
                     ")" + std::string(kMeaning) + OneLine(review.meaning) + ".";
  if (!review.comment.empty()) text += std::string(kComment) + OneLine(review.comment);
  return text;
}

std::optional<AuditReview> ParseReviewText(std::string_view text) {
  AuditReview review;
  if (!TakePrefix(&text, kReviewed)) return std::nullopt;
  if (TakePrefix(&text, "system events ")) {
    review.log = ReviewedLog::kSystemEvents;
  } else if (TakePrefix(&text, "configuration changes ")) {
    review.log = ReviewedLog::kConfigTrail;
  } else {
    return std::nullopt;
  }
  if (!TakeNumber(&text, &review.first) || !TakePrefix(&text, " to ") ||
      !TakeNumber(&text, &review.last) || !TakePrefix(&text, " (") ||
      !TakeNumber(&text, &review.count) || review.first == 0 || review.first > review.last) {
    return std::nullopt;
  }
  if (!TakePrefix(&text, review.count == 1 ? " record)" : " records)")) return std::nullopt;
  if (!TakePrefix(&text, kMeaning)) return std::nullopt;
  const size_t end = text.find('.');
  if (end == std::string_view::npos) return std::nullopt;
  review.meaning = std::string(text.substr(0, end));
  text.remove_prefix(end + 1);
  if (TakePrefix(&text, kComment)) {
    review.comment = std::string(text);
  } else if (!text.empty()) {
    return std::nullopt;
  }
  return review;
}

StoreStatus RecordAuditReview(const std::string& reviewer, AuditReview* review) {
  if (review->first == 0 || review->first > review->last) {
    return StoreStatus(StoreStatus::kInvalid, "a review covers records from 1 on, first to last");
  }
  std::shared_ptr<ComplianceDb> db;
  StoreStatus status = ComplianceDb::Get(&db);
  if (!status.ok()) return status;
  return db->Write([&](SqlDb& c) {
    const ChainedLog log = ChainOf(review->log);
    uint64_t last = 0;
    StoreStatus s = LastChainedSeq(c, log, &last);
    if (!s.ok()) return s;
    if (review->last > last) {
      return StoreStatus(StoreStatus::kInvalid,
                         "the " + std::string(LogWords(review->log)) + " end at " +
                             std::to_string(last) + ": " + ReviewRangeText(*review) +
                             " cannot be reviewed");
    }
    uint64_t count = 0;
    s = ForEachChainedFrom(c, log, review->first, [&](uint64_t seq, std::string_view) {
      if (seq > review->last) return false;
      ++count;
      return true;
    });
    if (!s.ok()) return s;
    if (count == 0) {
      return StoreStatus(StoreStatus::kInvalid,
                         ReviewRangeText(*review) + " hold no record to review");
    }
    review->count = count;
    review->comment = OneLine(review->comment);
    std::unique_ptr<CAuditEventComp> event =
        MakeSystemEvent(kAuditTrailReviewed, reviewer.c_str());
    event->SetReasonForChange(ReviewText(*review));
    CMemFile file(256);
    event->StreamDataOut(&file);
    return AppendChained(c, ChainedLog::kSystemEvents, file.TakeString());
  });
}

std::vector<RecordedReview> FindReviews(const CAuditCollectionComp& events) {
  std::vector<RecordedReview> reviews;
  uint64_t seq = events.GetSequenceNumber();
  POSITION pos = events.GetFirstChildPosition();
  for (; pos != nullptr; ++seq) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(events.GetNextChild(pos));
    if (event == nullptr) continue;
    POSITION entry_pos = event->GetFirstChildPosition();
    if (entry_pos == nullptr) continue;
    const auto* entry = dynamic_cast<const CAuditEntryComp*>(event->GetNextChild(entry_pos));
    if (entry == nullptr || entry->GetAuditCode() != kAuditTrailReviewed) continue;
    std::optional<AuditReview> review = ParseReviewText(event->GetReasonForChange());
    if (!review) continue;
    reviews.push_back(RecordedReview{seq, event->GetEvent().GetDate(),
                                     event->GetEvent().GetUserName(), std::move(*review)});
  }
  return reviews;
}

ReviewIndex::ReviewIndex(const std::vector<RecordedReview>& reviews, ReviewedLog log) {
  std::vector<std::pair<uint64_t, uint64_t>> ranges;
  for (const RecordedReview& r : reviews) {
    if (r.review.log == log && r.review.first <= r.review.last) {
      ranges.emplace_back(r.review.first, r.review.last);
    }
  }
  std::sort(ranges.begin(), ranges.end());
  for (const auto& range : ranges) {
    if (!ranges_.empty() && range.first <= ranges_.back().second + 1) {
      ranges_.back().second = std::max(ranges_.back().second, range.second);
    } else {
      ranges_.push_back(range);
    }
  }
}

bool ReviewIndex::Covers(uint64_t seq) const {
  // The last range that starts at or before `seq`.
  const auto after = std::upper_bound(ranges_.begin(), ranges_.end(),
                                      std::pair<uint64_t, uint64_t>(seq, UINT64_MAX));
  return after != ranges_.begin() && std::prev(after)->second >= seq;
}

std::string ReviewLine(const RecordedReview& review) {
  return FormatOleDate(review.date, "%Y-%m-%d %H:%M:%S") + " " + review.reviewer + ": " +
         ReviewText(review.review);
}

std::vector<std::string> ReviewLinesMeeting(const std::vector<RecordedReview>& reviews,
                                            ReviewedLog log, uint64_t first, uint64_t last) {
  std::vector<std::string> lines;
  for (const RecordedReview& r : reviews) {
    if (r.review.log == log && r.review.first <= last && r.review.last >= first) {
      lines.push_back(ReviewLine(r));
    }
  }
  return lines;
}

}  // namespace tav
