#include "services/config/config_trail_text.h"

#include "records/esig_config_comp.h"
#include "records/value_comps.h"
#include "services/config/config_records.h"
#include "services/config/settings_records.h"
#include "services/config/system_ids.h"
#include "services/config/system_table.h"
#include "util/strings.h"

namespace tav {
namespace {

// The dialog's own words: its tab titles, the switch and the timeout label.
constexpr char kPermissionsTab[] = "User Group Permissions";
constexpr char kAuditingTab[] = "Auditing and E-Signatures";
constexpr char kFeatureSwitch[] = "21 CFR Part 11 features";
constexpr char kIdleTimeoutLabel[] = "Application Idle Timeout";

// How a record takes part in a shown place: a name, or nothing where the
// dialog has no such level (the list of named numbers, a reason list).
std::string ShownName(const CComponent& record) {
  const ComponentTag& tag = record.GetTag();
  if (tag.Is(kRowRights)) return kPermissionsTab;
  if (tag.Is(kRowAudit) || tag.Is(kRowESig)) return kAuditingTab;
  if (tag.Is(kRowFeatureSwitch)) return kFeatureSwitch;
  if (tag.Is(kRowNumbers) || tag.Is("EScc") || tag.Is("CFLn")) return {};
  if (const auto* item = dynamic_cast<const CConfigItemComp*>(&record)) {
    const std::string key = item->GetKey();
    return EqualsNoCase(key, kIdleTimeoutName) ? std::string(kIdleTimeoutLabel) : key;
  }
  if (const auto* grant = dynamic_cast<const CShortComp*>(&record); grant && tag.Is("CTRa")) {
    const std::string name = SystemTable::GetActivityName(grant->GetValue());
    return name.empty() ? record.GetValueText() : name;
  }
  if (const auto* setting = dynamic_cast<const CAuditSettingComp*>(&record)) {
    const int type = setting->GetSetting().GetType().GetDataType();
    const std::string name = SystemTable::GetAuditTypeName(type, true);
    return name.empty() ? setting->GetSetting().GetType().GetTypeName() : name;
  }
  if (const auto* target = dynamic_cast<const CESigTargetConfigComp*>(&record)) {
    // Stored under the data type's stored name; the dialog lists its list name.
    const std::string stored = target->GetTargetName();
    for (int type = 0; type < kDataTypeCount; ++type) {
      if (SystemTable::GetAuditTypeName(type, false) == stored) {
        return SystemTable::GetAuditTypeName(type, true);
      }
    }
    return stored;
  }
  if (const auto* reason = dynamic_cast<const CESigReasonConfigComp*>(&record)) {
    return SystemTable::GetESigReasonName(reason->GetReasonId(), reason->GetItemCode());
  }
  return record.GetName();
}

// The value a record holds, as the dialog shows it; false for a record
// whose value the dialog does not show.
bool ShownValue(const CComponent& record, const std::string& name, std::string* value) {
  if (const auto* flag = dynamic_cast<const CByteComp*>(&record);
      flag != nullptr && record.GetTag().Is(kRowFeatureSwitch)) {
    *value = flag->GetValue() != 0 ? "On" : "Off";
    return true;
  }
  if (const auto* number = dynamic_cast<const CLongComp*>(&record)) {
    const int minutes = static_cast<int32_t>(number->GetValue());
    *value = name == kIdleTimeoutLabel ? StrFormat("%d minutes", minutes) : std::to_string(minutes);
    return true;
  }
  if (const auto* setting = dynamic_cast<const CAuditSettingComp*>(&record)) {
    const int recording = setting->GetSetting().GetRecordingType();
    *value = SystemTable::GetAuditRecordingTypeName(recording);
    if (value->empty()) *value = std::to_string(recording);
    return true;
  }
  if (const auto* reason = dynamic_cast<const CESigReasonConfigComp*>(&record)) {
    *value = SystemTable::GetESigSettingName(reason->GetSetting());
    if (value->empty()) *value = std::to_string(reason->GetSetting());
    return true;
  }
  return false;
}

}  // namespace

ShownTrailEntry ShowTrailEntry(AUDITCODE code, const std::vector<const CComponent*>& path,
                               const CComponent* record, const CComponent* new_version,
                               const std::string& stored_description) {
  ShownTrailEntry shown;
  std::vector<std::string> where;
  // The innermost name: a number is named by its item, the level above.
  std::string name;
  for (const CComponent* element : path) {
    std::string part = ShownName(*element);
    if (part.empty()) continue;
    name = part;
    where.push_back(std::move(part));
  }
  std::string value;
  const bool has_value = record != nullptr && ShownValue(*record, name, &value);
  if (record != nullptr) {
    std::string part = ShownName(*record);
    if (!part.empty()) {
      name = part;
      // An added or removed setting says what it holds; a changed one says
      // it in the description.
      if (has_value && code != kAuditChangedRecord) part += ": " + value;
      where.push_back(std::move(part));
    }
  }
  shown.where = JoinStrings(where, " > ");

  std::string new_value;
  if (code == kAuditChangedRecord && has_value && new_version != nullptr &&
      ShownValue(*new_version, name, &new_value)) {
    shown.description = name + ": " + value + " -> " + new_value + "\n";
  } else if (!has_value) {
    shown.description = stored_description;
  }
  return shown;
}

}  // namespace tav
