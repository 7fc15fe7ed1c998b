#include "runlist/run_list_rows.h"

#include "records/file_record_comp.h"
#include "runlist/run_file_ops.h"

namespace tav {

RowTexts RunListRow(const CFileRecordComp& record) {
  RowTexts row;
  SplitRunFilePath(record.GetFilePath().value_or(""), &row[0], &row[1]);
  row[2] = record.GetDateText();
  row[3] = record.GetUserName().value_or("");
  return row;
}

RowTexts HistoryRow(const CFileRecordComp& record) {
  RowTexts row;
  row[0] = record.GetDateText();
  row[1] = record.GetUserName().value_or("");
  row[2] = record.GetTypeName();
  row[3] = "[" + record.GetFilePath().value_or("") + "]";
  const int type = record.GetType();
  if (type == kFileRecordMoved || type == kFileRecordMovedAndReplaced) {
    row[3] += " From [" + record.GetSourcePath().value_or("") + "]";
  }
  return row;
}

}  // namespace tav
