// The rows of the Run List Manager's two lists, built from file records
// without Qt.
#ifndef TAV_RUNLIST_RUN_LIST_ROWS_H_
#define TAV_RUNLIST_RUN_LIST_ROWS_H_

#include <array>
#include <string>
#include <string_view>

#include "util/ole_date.h"
#include "util/shown_text.h"

namespace tav {

class CFileRecordComp;

// "Location", "Name", "Created Date", "Created By".
inline constexpr std::array<const char*, 4> kRunListColumns = {
    TAV_TR_NOOP("tav::RunList", "Location"), TAV_TR_NOOP("tav::RunList", "Name"),
    TAV_TR_NOOP("tav::RunList", "Created Date"), TAV_TR_NOOP("tav::RunList", "Created By")};
// "Date & Time", "User", "Event", "Description".
inline constexpr std::array<const char*, 4> kHistoryColumns = {
    TAV_TR_NOOP("tav::RunList", "Date & Time"), TAV_TR_NOOP("tav::RunList", "User"),
    TAV_TR_NOOP("tav::RunList", "Event"), TAV_TR_NOOP("tav::RunList", "Description")};

using RowTexts = std::array<std::string, 4>;

// The run list row of a record: its path split into folder and name, its
// date text and user name.
RowTexts RunListRow(const CFileRecordComp& record);

// The history row of a record. The description is "[path]", and for moves
// (types 3 and 8) "[path] From [source]"; a missing path counts as empty.
RowTexts HistoryRow(const CFileRecordComp& record);

using RowViews = std::array<std::string_view, 4>;

// The same rows for the many records of a list load, without a copy per
// cell: the views point into the record and into the builder, and stay
// valid until the next call (or until the record changes). Dates are
// formatted through a cache; use a builder for one fill.
class RunListRowBuilder {
 public:
  RowViews Cells(const CFileRecordComp& record);

 private:
  OleDateTextCache dates_;
};

class HistoryRowBuilder {
 public:
  RowViews Cells(const CFileRecordComp& record);

 private:
  OleDateTextCache dates_;
  std::string description_;
};

}  // namespace tav

#endif  // TAV_RUNLIST_RUN_LIST_ROWS_H_
