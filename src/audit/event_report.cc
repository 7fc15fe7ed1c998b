#include "audit/event_report.h"

#include <algorithm>
#include <array>
#include <string_view>

#include "audit/event_rows.h"
#include "audit/trail_rows.h"
#include "services/filelib/audit_review.h"
#include "services/filelib/event_log_remote.h"
#include "util/data_dir.h"

namespace tav {
namespace {

struct EventRows {
  std::vector<const CAuditEventComp*> events;
  EventRowBuilder builder;
  std::array<std::string_view, 3> cells;
  size_t at = SIZE_MAX;  // the row whose cells `cells` holds
};

struct TrailRows {
  std::vector<const ConfigTrailEvent*> changes;
  std::array<std::string, 4> cells;
  size_t at = SIZE_MAX;
};

std::string IsoDate(DATE date) { return FormatOleDate(date, "%Y-%m-%d %H:%M:%S"); }

}  // namespace

std::string StoreIdentityText() {
  DataDirChoice choice;
  std::string text = LocateDataDir(&choice).ok() ? choice.path : std::string("(not found)");
  if (EventLogSeam().InUse() != nullptr) text += " (through the compliance service)";
  return text;
}

std::string TimeRangeText(const std::vector<DATE>& dates) {
  if (dates.empty()) return "(no records)";
  const auto [low, high] = std::minmax_element(dates.begin(), dates.end());
  return IsoDate(*low) + " to " + IsoDate(*high);
}

std::vector<double> EventColumnWeights(size_t columns) {
  if (columns == 4) return {3, 3, 4, 2};
  return {3, 3, 4};
}

std::vector<double> TrailColumnWeights() { return {3, 2, 3, 5}; }

OwnedReport MakeEventReport(const CAuditCollectionComp& events, const AuditFilter& filter,
                            ReportContext context) {
  const std::vector<RecordedReview> reviews = FindReviews(events);
  const ReviewIndex reviewed(reviews, ReviewedLog::kSystemEvents);
  auto rows = std::make_shared<EventRows>();
  std::vector<AuditRowFacts> facts;
  std::vector<uint64_t> seqs;
  // Oldest first, as stored; the report turns them round below.
  uint64_t seq = events.GetSequenceNumber();
  POSITION pos = events.GetFirstChildPosition();
  for (; pos != nullptr; ++seq) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(events.GetNextChild(pos));
    if (event == nullptr) continue;
    rows->events.push_back(event);
    seqs.push_back(seq);
    facts.push_back(AuditRowFacts{event->GetEvent().GetDate(), reviewed.Covers(seq)});
  }
  const AuditRowMatcher matcher(filter, AuditColumns{}, {0, 1, 2}, facts);
  std::vector<const CAuditEventComp*> kept;
  std::vector<DATE> dates;
  uint64_t first = UINT64_MAX;
  uint64_t last = 0;
  for (size_t i = 0; i < rows->events.size(); ++i) {
    const std::array<std::string_view, 3> cells = rows->builder.Cells(*rows->events[i]);
    if (!matcher.Keeps(i, [&](int column) { return cells[static_cast<size_t>(column)]; })) {
      continue;
    }
    kept.push_back(rows->events[i]);
    dates.push_back(facts[i].date);
    first = std::min(first, seqs[i]);
    last = std::max(last, seqs[i]);
  }
  // Newest first; events of one second keep the order of the log, the
  // last logged first, as the viewer's stable sort leaves them.
  std::reverse(kept.begin(), kept.end());
  std::stable_sort(kept.begin(), kept.end(), [](const auto* a, const auto* b) {
    return a->GetEvent().GetDate() > b->GetEvent().GetDate();
  });
  rows->events = std::move(kept);

  context.filter = filter.Describe();
  context.time_range = TimeRangeText(dates);
  OwnedReport out;
  out.report.title = kEventReportTitle;
  out.report.header = ReportHeaderLines(context);
  out.report.table.headings = kEventColumnHeadings;
  out.report.table.rows = rows->events.size();
  EventRows* r = rows.get();
  out.report.table.cell = [r](size_t row, size_t column) -> std::string_view {
    if (r->at != row) {
      r->cells = r->builder.Cells(*r->events[row]);
      r->at = row;
    }
    return r->cells[column];
  };
  out.report.column_weights = EventColumnWeights(3);
  out.report.reviews = ReviewLinesMeeting(reviews, ReviewedLog::kSystemEvents, first, last);
  out.rows = std::move(rows);
  return out;
}

OwnedReport MakeTrailReport(const std::vector<ConfigTrailEvent>& changes,
                            const std::vector<RecordedReview>& reviews, const AuditFilter& filter,
                            ReportContext context) {
  const ReviewIndex reviewed(reviews, ReviewedLog::kConfigTrail);
  auto rows = std::make_shared<TrailRows>();
  std::vector<AuditRowFacts> facts;
  for (const ConfigTrailEvent& change : changes) {
    facts.push_back(AuditRowFacts{change.date, reviewed.Covers(change.number)});
  }
  const AuditRowMatcher matcher(filter,
                                AuditColumns{kTrailDateColumn, kTrailUserColumn, kTrailWhatColumn,
                                             /*kind_in_entries=*/true},
                                {0, 1, 2, 3}, facts);
  std::vector<DATE> dates;
  uint64_t first = UINT64_MAX;
  uint64_t last = 0;
  for (size_t i = 0; i < changes.size(); ++i) {
    const std::array<std::string, 4> cells = TrailRowTexts(changes[i], TrailWording::kShown);
    if (!matcher.Keeps(i, [&](int column) {
          return std::string_view(cells[static_cast<size_t>(column)]);
        })) {
      continue;
    }
    rows->changes.push_back(&changes[i]);
    dates.push_back(changes[i].date);
    first = std::min(first, changes[i].number);
    last = std::max(last, changes[i].number);
  }
  std::reverse(rows->changes.begin(), rows->changes.end());
  std::stable_sort(rows->changes.begin(), rows->changes.end(),
                   [](const auto* a, const auto* b) { return a->date > b->date; });

  context.filter = filter.Describe();
  context.time_range = TimeRangeText(dates);
  OwnedReport out;
  out.report.title = kTrailReportTitle;
  out.report.header = ReportHeaderLines(context);
  out.report.table.headings = kTrailColumnHeadings;
  out.report.table.rows = rows->changes.size();
  TrailRows* r = rows.get();
  out.report.table.cell = [r](size_t row, size_t column) -> std::string_view {
    if (r->at != row) {
      r->cells = TrailRowTexts(*r->changes[row], TrailWording::kShown);
      r->at = row;
    }
    return r->cells[column];
  };
  out.report.detail = [r](size_t row) {
    return TrailEntriesText(*r->changes[row], TrailWording::kShown);
  };
  out.report.column_weights = TrailColumnWeights();
  out.report.reviews = ReviewLinesMeeting(reviews, ReviewedLog::kConfigTrail, first, last);
  out.rows = std::move(rows);
  return out;
}

}  // namespace tav
