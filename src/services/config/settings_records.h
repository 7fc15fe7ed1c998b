// The stored form of the compliance settings: one record per kind, each in
// its own row of the settings table (docs/configuration.md), and the
// defaults of a new data directory.
//
//   row "21EN"  21EN, 8-bit: 1 while the 21 CFR Part 11 features are on
//   row "CFCp"  CFCp of CFIt {CFIk name, CFLn value}: named numbers
//               ("Idle Timeout")
//   row "ACss"  ACss of CFIt {CFNm group, CFSt description, CTRa...}
//   row "AUSa"  AUSa of AUSt, one per data type
//   row "ESiC"  ESiC of ESiT {ESTN data type, EScc of EScf}
//
// A row that is not stored holds its default. Names are not stored with
// the activities of a group; they are filled in when read.
//
// Thread safety: functions of plain values; any thread.
#ifndef TAV_SERVICES_CONFIG_SETTINGS_RECORDS_H_
#define TAV_SERVICES_CONFIG_SETTINGS_RECORDS_H_

#include <memory>
#include <string>
#include <string_view>

#include "records/component.h"
#include "records/esig_config_types.h"
#include "services/config/audit_settings.h"
#include "services/config/group_rights.h"

namespace tav {

inline constexpr char kRowFeatureSwitch[] = "21EN";
inline constexpr char kRowNumbers[] = "CFCp";
inline constexpr char kRowRights[] = "ACss";
inline constexpr char kRowAudit[] = "AUSa";
inline constexpr char kRowESig[] = "ESiC";

// The default record of a row (its tag is the row name); null for a name
// that is not a row.
std::unique_ptr<CComponent> DefaultSettingRecord(std::string_view row);

// Defaults of a new data directory.
CTAVGroupRightsArray DefaultGroupRights();
CTAVAuditDataTypeSettingArray DefaultAuditSettings();
CTAVESigConfiguration DefaultESigConfiguration(int data_type);

// Conversions. Readers take any record of the row's tag and skip children
// of other kinds; a null record reads as empty.
bool FeatureSwitchFromRecord(const CComponent* record);
std::unique_ptr<CComponent> FeatureSwitchRecord(bool enabled);

// The number named `name` (letter case ignored); false when not held.
bool NumberFromRecord(const CComponent* record, std::string_view name, int* value);
// A copy of `record` (CFCp) with `name` set to `value`.
std::unique_ptr<CComponent> WithNumber(const CComponent* record, std::string_view name,
                                       int value);

std::unique_ptr<CComponent> RightsRecord(const CTAVGroupRightsArray& rights);
void RightsFromRecord(const CComponent* record, CTAVGroupRightsArray* rights);

std::unique_ptr<CComponent> AuditRecord(const CTAVAuditDataTypeSettingArray& settings);
void AuditFromRecord(const CComponent* record, CTAVAuditDataTypeSettingArray* settings);

// The configuration of `data_type` inside an ESiC record; false (and
// `config` empty) when the record holds none for it.
bool ESigFromRecord(const CComponent* record, int data_type, CTAVESigConfiguration* config);
// A copy of `record` (ESiC) with the configuration of `data_type` replaced
// (or added at the end).
std::unique_ptr<CComponent> WithESig(const CComponent* record, int data_type,
                                     const CTAVESigConfiguration& config);

// A copy of any record made through the component factory, so that every
// part of it is of the class registered for its tag.
std::unique_ptr<CComponent> CloneRecord(const CComponent& record);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SETTINGS_RECORDS_H_
