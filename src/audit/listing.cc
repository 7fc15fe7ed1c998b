#include "audit/listing.h"

#include <array>

#include "audit/event_rows.h"
#include "audit/trail_rows.h"
#include "util/ole_date.h"

namespace tav {
namespace {

std::string IsoDate(DATE date) { return FormatOleDate(date, "%Y-%m-%d %H:%M:%S"); }

// The rows under the headings; with `writers`, a last column
// "Workstation" (JSON: workstation) holds each row's writer.
template <size_t N>
std::string Format(const std::array<const char*, N>& headings,
                   const std::array<const char*, N>& keys,
                   const std::vector<std::array<std::string, N>>& rows,
                   const std::vector<std::string_view>* writers, TableFormat format) {
  std::vector<const char*> all_headings(headings.begin(), headings.end());
  std::vector<const char*> all_keys(keys.begin(), keys.end());
  if (writers != nullptr) {
    all_headings.push_back(kWorkstationHeading);
    all_keys.push_back("workstation");
  }
  TableView view;
  view.headings = all_headings;
  view.rows = rows.size();
  view.cell = [&rows, writers](size_t row, size_t column) -> std::string_view {
    return column < N ? std::string_view(rows[row][column]) : (*writers)[row];
  };
  std::string out;
  if (format == TableFormat::kCsv) {
    AppendCsv(view, &out);
  } else {
    AppendJson(view, all_keys, &out);
  }
  return out;
}

void Count(uint64_t number, ListingRange* range) {
  if (range == nullptr) return;
  if (range->count++ == 0) range->first = number;
  range->last = number;
}

}  // namespace

bool ParseTableFormat(std::string_view name, TableFormat* format) {
  if (name == "csv") {
    *format = TableFormat::kCsv;
  } else if (name == "json") {
    *format = TableFormat::kJson;
  } else {
    return false;
  }
  return true;
}

std::string FormatEventListing(const CAuditCollectionComp& events, TableFormat format,
                               uint64_t through, ListingRange* range,
                               const std::vector<WriterRun>* writers) {
  static constexpr std::array<const char*, 4> kHeadings = {"Number", "Date & Time", "User Login",
                                                           "Event"};
  static constexpr std::array<const char*, 4> kKeys = {"number", "date", "user", "event"};
  std::vector<std::array<std::string, 4>> rows;
  rows.reserve(events.GetChildCount());
  std::vector<std::string_view> writer_cells;
  uint64_t seq = events.GetSequenceNumber();
  POSITION pos = events.GetFirstChildPosition();
  while (pos != nullptr) {
    const auto* event = dynamic_cast<const CAuditEventComp*>(events.GetNextChild(pos));
    const uint64_t number = seq++;
    if (event == nullptr) continue;
    if (number > through) break;
    Count(number, range);
    std::array<std::string, 3> cells = EventRowTexts(*event);
    rows.push_back({std::to_string(number), IsoDate(event->GetEvent().GetDate()),
                    std::move(cells[kEventUserColumn]), std::move(cells[kEventNameColumn])});
    if (writers != nullptr) writer_cells.push_back(WriterOf(*writers, number));
  }
  return Format(kHeadings, kKeys, rows, writers != nullptr ? &writer_cells : nullptr, format);
}

std::string FormatTrailListing(const std::vector<ConfigTrailEvent>& changes, TableFormat format,
                               uint64_t through, ListingRange* range,
                               const std::vector<WriterRun>* writers) {
  static constexpr std::array<const char*, 6> kHeadings = {
      "Number", "Date & Time", "User Login", "What Changed", "Reason for Change", "Description"};
  static constexpr std::array<const char*, 6> kKeys = {"number", "date",   "user",
                                                       "what",   "reason", "description"};
  std::vector<std::array<std::string, 6>> rows;
  rows.reserve(changes.size());
  std::vector<std::string_view> writer_cells;
  for (const ConfigTrailEvent& change : changes) {
    if (change.number > through) break;
    Count(change.number, range);
    std::array<std::string, 4> cells = TrailRowTexts(change);
    rows.push_back({std::to_string(change.number), IsoDate(change.date), change.user,
                    std::move(cells[kTrailWhatColumn]), change.reason,
                    TrailEntriesText(change)});
    if (writers != nullptr) writer_cells.push_back(WriterOf(*writers, change.number));
  }
  return Format(kHeadings, kKeys, rows, writers != nullptr ? &writer_cells : nullptr, format);
}

}  // namespace tav
