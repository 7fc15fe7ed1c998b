#include "runlist/run_list_rows.h"

#include "records/file_record_comp.h"

namespace tav {
namespace {

RowTexts Copy(const RowViews& cells) {
  return {std::string(cells[0]), std::string(cells[1]), std::string(cells[2]),
          std::string(cells[3])};
}

}  // namespace

RowTexts RunListRow(const CFileRecordComp& record) {
  RunListRowBuilder builder;
  return Copy(builder.Cells(record));
}

RowTexts HistoryRow(const CFileRecordComp& record) {
  HistoryRowBuilder builder;
  return Copy(builder.Cells(record));
}

RowViews RunListRowBuilder::Cells(const CFileRecordComp& record) {
  RowViews row;
  // Folder and name as SplitRunFilePath makes them: split at the last '/'.
  const std::string_view path = record.FilePathView().value_or("");
  const size_t slash = path.rfind('/');
  if (slash == std::string_view::npos) {
    row[1] = path;
  } else {
    row[0] = path.substr(0, slash);
    row[1] = path.substr(slash + 1);
  }
  row[2] = dates_.Format(record.GetDate());
  row[3] = record.UserNameView().value_or("");
  return row;
}

RowViews HistoryRowBuilder::Cells(const CFileRecordComp& record) {
  RowViews row;
  row[0] = dates_.Format(record.GetDate());
  row[1] = record.UserNameView().value_or("");
  row[2] = record.GetTypeName();
  description_.assign("[");
  description_ += record.FilePathView().value_or("");
  description_ += ']';
  const int type = record.GetType();
  if (type == kFileRecordMoved || type == kFileRecordMovedAndReplaced) {
    description_ += " From [";
    description_ += record.SourcePathView().value_or("");
    description_ += ']';
  }
  row[3] = description_;
  return row;
}

}  // namespace tav
