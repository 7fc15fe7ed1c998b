// The rows of the Run List Manager's two lists, built from file records
// without Qt.
#ifndef TAV_RUNLIST_RUN_LIST_ROWS_H_
#define TAV_RUNLIST_RUN_LIST_ROWS_H_

#include <array>
#include <string>

namespace tav {

class CFileRecordComp;

// "Location", "Name", "Created Date", "Created By".
inline constexpr std::array<const char*, 4> kRunListColumns = {"Location", "Name",
                                                               "Created Date", "Created By"};
// "Date & Time", "User", "Event", "Description".
inline constexpr std::array<const char*, 4> kHistoryColumns = {"Date & Time", "User", "Event",
                                                               "Description"};

using RowTexts = std::array<std::string, 4>;

// The run list row of a record: its path split into folder and name, its
// date text and user name.
RowTexts RunListRow(const CFileRecordComp& record);

// The history row of a record. The description is "[path]", and for moves
// (types 3 and 8) "[path] From [source]"; a missing path counts as empty.
RowTexts HistoryRow(const CFileRecordComp& record);

}  // namespace tav

#endif  // TAV_RUNLIST_RUN_LIST_ROWS_H_
