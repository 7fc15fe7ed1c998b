// The record date (tag ReDa, "Record Date"): the date of a file record. A
// date value (8 bytes, OLE date, little-endian) that shows itself as the
// date and time in the user's locale without the raw day number, as the
// run list history reads it.
#ifndef TAV_RECORDS_RECORD_DATE_COMP_H_
#define TAV_RECORDS_RECORD_DATE_COMP_H_

#include "records/value_comps.h"

namespace tav {

class CRecordDateComp : public CDateComp {
 public:
  explicit CRecordDateComp(double value = 0.0);

 protected:
  // The typed date (two dates differing below a second still compare
  // unequal) with the locale text alone as its value text.
  void SetValueItem(CPropertyItem& item) const override;
};

}  // namespace tav

#endif  // TAV_RECORDS_RECORD_DATE_COMP_H_
