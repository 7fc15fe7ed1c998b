#include "records/record_date_comp.h"

#include "records/property_item.h"
#include "util/ole_date.h"

namespace tav {

CRecordDateComp::CRecordDateComp(double value) : CDateComp("ReDa", value) {}

void CRecordDateComp::SetValueItem(CPropertyItem& item) const {
  item.SetDate(GetValue());
  item.set_value_text(FormatOleDate(GetValue()));
}

}  // namespace tav
