// The identifiers of the configuration service: controlled activities, user
// groups, auditable data types, recording types and e-signature settings.
// They are passed as 32-bit integers across the library's boundary and are
// stored in settings and audit records: the numbers must not change.
// docs/configuration.md lists what each stands for.
#ifndef TAV_SERVICES_CONFIG_SYSTEM_IDS_H_
#define TAV_SERVICES_CONFIG_SYSTEM_IDS_H_

#include <cstdint>

#include "records/esig_config_types.h"

namespace tav {

// Controlled activities, 0 to 13.
enum ControlledActivityID : int32_t {
  kActivityConfigureCompliance = 0,
  kActivityCreateDocuments = 1,
  kActivityEditPlateSetup = 2,
  kActivityEditThermalProfile = 3,
  kActivityStartRun = 4,
  kActivityStopRun = 5,
  kActivityManageRunList = 6,
  kActivityAnalyzeData = 7,
  kActivityEditAnalysisSettings = 8,
  kActivityCalibrateInstrument = 9,
  kActivityExportData = 10,
  kActivityPrintReports = 11,
  kActivitySaveTemplates = 12,
  kActivityViewAuditTrails = 13,
};
inline constexpr int kActivityCount = 14;

// User groups, 0 to 4. Groups 0 to 3 carry rights; every group lets its
// members run the software.
enum GroupID : int32_t {
  kGroupAdministrators = 0,
  kGroupManagers = 1,
  kGroupAnalysts = 2,
  kGroupOperators = 3,
  kGroupUsers = 4,
};
inline constexpr int kGroupCount = 5;
inline constexpr int kRightsGroupCount = 4;

// Auditable data types (file types), 0 to 5. Types 0, 1 and 5 are always
// audited.
enum AuditableDataTypeID : int32_t {
  kDataTypeUnknown = -1,
  kDataTypeRunFile = 0,
  kDataTypeCalibration = 1,
  kDataTypeTemplate = 2,
  kDataTypeAnalysisSettings = 3,
  kDataTypeReport = 4,
  kDataTypeMethod = 5,
};
inline constexpr int kDataTypeCount = 6;

// How changes to a data type are recorded.
enum AuditRecordingTypeID : int32_t {
  kRecordingNone = 0,
  kRecordingAudited = 1,
  kRecordingReasonOptional = 2,
  kRecordingReasonRequired = 3,
};
inline constexpr int kRecordingTypeCount = 4;

// E-signature settings (none, optional, required) are ESigSetting of
// records/esig_config_types.h.
inline constexpr int kESigSettingCount = 3;

// Signature reasons (ESigReasonID): the meaning of a signature.
enum : int32_t {
  kReasonAuthored = 0,
  kReasonReviewed = 1,
  kReasonApproved = 2,
  kReasonVerified = 3,
};
inline constexpr int kReasonIdCount = 4;

// Signature items (ESigItemCode): the part of a document a signature covers.
enum : int32_t {
  kItemDocument = 0,
  kItemPlateSetup = 1,
  kItemThermalProfile = 2,
  kItemRunData = 3,
  kItemAnalysisResults = 4,
  kItemCalibration = 5,
  kItemAnalysisSettings = 6,
};
inline constexpr int kItemCodeCount = 7;

// Results of the configuration service: 0 on success.
enum TamberTAV2ErrorCodes : int32_t {
  kConfigOk = 0,
  // An identifier outside its range.
  kConfigInvalidId = -10,
  // A value outside its range (an idle timeout above 600 minutes).
  kConfigInvalidValue = -11,
  // The stored settings could not be read or written; the message went to
  // the log output.
  kConfigStorageError = -12,
  // The database stayed locked beyond the bounded wait.
  kConfigBusy = -13,
  // The compliance service refused the change: the acting user may not
  // change the configuration, or the change named a logon this process
  // does not hold; LastErrorMessage says which.
  kConfigAccessDenied = -14,
};

inline constexpr char kIdleTimeoutName[] = "Idle Timeout";
inline constexpr int kMaxIdleTimeoutMinutes = 600;
// The idle timeout while the settings cannot be read (and were not read
// before): finite, as every other setting then fails safe.
inline constexpr int kFailClosedIdleTimeoutMinutes = 15;

inline bool IsValidActivity(int id) { return id >= 0 && id < kActivityCount; }
inline bool IsValidGroup(int id) { return id >= 0 && id < kGroupCount; }
inline bool IsValidDataType(int id) { return id >= 0 && id < kDataTypeCount; }
inline bool IsValidRecordingType(int id) { return id >= 0 && id < kRecordingTypeCount; }
// Types whose changes are always audited (recording type 1).
inline bool IsAlwaysAuditedType(int id) {
  return id == kDataTypeRunFile || id == kDataTypeCalibration || id == kDataTypeMethod;
}

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_SYSTEM_IDS_H_
