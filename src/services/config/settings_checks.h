// The checks a setting record passes before it is stored: the bytes read
// as one record of the row's kind and nothing else, and its values lie in
// their ranges. The configuration's own writes and the compliance service
// (for records a client sends) use the same checks, so that a client
// cannot store what the configuration would refuse.
//
// Thread safety: functions of their arguments; any thread.
#ifndef TAV_SERVICES_CONFIG_SETTINGS_CHECKS_H_
#define TAV_SERVICES_CONFIG_SETTINGS_CHECKS_H_

#include <memory>
#include <string>
#include <string_view>

#include "records/component.h"
#include "services/filelib/store_status.h"

namespace tav {

// True when `row` names a settings row (21EN, CFCp, ACss, AUSa, ESiC).
bool IsSettingRow(std::string_view row);

// The record's stored form.
std::string SettingRecordBytes(const CComponent& record);

// Reads `bytes` as the record of `row`: exactly one record, of the row's
// tag. kCorrupt naming the row otherwise (`where` starts the message: the
// database's path, or who sent the record).
StoreStatus DecodeSettingRecord(std::string_view where, std::string_view row,
                                std::string_view bytes, std::unique_ptr<CComponent>* out);

// Whether the named number may take `value`: "Idle Timeout" takes 0 to
// kMaxIdleTimeoutMinutes. Else false with the reason in *message.
bool CheckConfigInt(std::string_view name, int value, std::string* message);

// Whether every value of `record` (of row `row`) lies in its range: the
// switch is 0 or 1, named numbers pass CheckConfigInt, activities, data
// types and recording types are known ones, signature settings name known
// data types. Else false with the reason in *message.
bool CheckSettingRecord(std::string_view row, const CComponent& record, std::string* message);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SETTINGS_CHECKS_H_
