#include "services/config/system_table.h"

#include "services/config/system_names.h"
#include "util/library_lifetime.h"
#include "util/strings.h"

namespace tav {

namespace {

std::string Text(const char* name) { return name == nullptr ? std::string() : name; }

// The component tag paths a reason covers: where the parts of a document
// lie (top-level chunks of a run document). A reason whose list is empty
// can sign any document.
const std::vector<std::string> kPlateSetupPaths = {"PICX", "SSCX", "CELS", "DETL"};
const std::vector<std::string> kThermalPaths = {"TPro", "TCPr"};
const std::vector<std::string> kRunDataPaths = {"RAWa", "RAWe", "RAWr", "MDPW"};
const std::vector<std::string> kResultPaths = {"ARss", "RmcL", "RscL", "RmeL", "RapL", "RgxL"};
const std::vector<std::string> kCalibrationPaths = {"CALI", "CLRl", "CLBl", "CLPl", "CLUl"};
const std::vector<std::string> kAnalysisSettingPaths = {"ARst", "AAss"};

const std::vector<std::string>& PathsOf(ESigItemCode item) {
  static const std::vector<std::string> kNone;
  switch (item) {
    case kItemPlateSetup: return kPlateSetupPaths;
    case kItemThermalProfile: return kThermalPaths;
    case kItemRunData: return kRunDataPaths;
    case kItemAnalysisResults: return kResultPaths;
    case kItemCalibration: return kCalibrationPaths;
    case kItemAnalysisSettings: return kAnalysisSettingPaths;
    default: return kNone;
  }
}

ESigReason Reason(ESigReasonID reason, ESigItemCode item) {
  return ESigReason{reason, item, PathsOf(item)};
}

struct Predefined {
  std::vector<ESigReason> by_type[kDataTypeCount];
  std::map<AuditableDataTypeID, const std::vector<ESigReason>*> map;

  Predefined() {
    by_type[kDataTypeRunFile] = {
        Reason(kReasonAuthored, kItemPlateSetup),      Reason(kReasonReviewed, kItemPlateSetup),
        Reason(kReasonApproved, kItemPlateSetup),      Reason(kReasonReviewed, kItemRunData),
        Reason(kReasonReviewed, kItemAnalysisResults), Reason(kReasonApproved, kItemAnalysisResults),
        Reason(kReasonVerified, kItemDocument),
    };
    by_type[kDataTypeCalibration] = {
        Reason(kReasonAuthored, kItemCalibration),
        Reason(kReasonReviewed, kItemCalibration),
        Reason(kReasonApproved, kItemCalibration),
    };
    by_type[kDataTypeTemplate] = {
        Reason(kReasonAuthored, kItemPlateSetup),
        Reason(kReasonApproved, kItemPlateSetup),
        Reason(kReasonApproved, kItemThermalProfile),
    };
    by_type[kDataTypeAnalysisSettings] = {
        Reason(kReasonReviewed, kItemAnalysisSettings),
        Reason(kReasonApproved, kItemAnalysisSettings),
    };
    // Reports have no predefined reasons.
    by_type[kDataTypeMethod] = {
        Reason(kReasonAuthored, kItemThermalProfile),
        Reason(kReasonReviewed, kItemThermalProfile),
        Reason(kReasonApproved, kItemThermalProfile),
    };
    for (int type = 0; type < kDataTypeCount; ++type) {
      if (!by_type[type].empty()) map[static_cast<AuditableDataTypeID>(type)] = &by_type[type];
    }
  }
};

const Predefined& Reasons() {
  static UntilUnload<Predefined> predefined;
  return predefined.Get();
}

}  // namespace

std::string SystemTable::GetActivityName(int activity) { return Text(names::Activity(activity)); }
std::string SystemTable::GetGroupName(int group) { return Text(names::Group(group)); }
std::string SystemTable::GetAuditTypeName(int data_type, bool list_text) {
  return Text(names::DataType(data_type, list_text));
}
std::string SystemTable::GetAuditRecordingTypeName(int recording_type) {
  return Text(names::RecordingType(recording_type));
}
std::string SystemTable::GetESigSettingName(int setting) {
  return Text(names::ESigSetting(setting));
}
std::string SystemTable::GetESigItemLabel(ESigItemCode item) {
  return Text(names::ItemLabel(item));
}
std::string SystemTable::GetESigReasonName(ESigReasonID reason, ESigItemCode item) {
  return names::ReasonName(reason, item);
}
std::string SystemTable::GetESigReasonName(const ESigReason& reason) {
  return names::ReasonName(reason.reason_id, reason.item_code);
}

AuditableDataTypeID SystemTable::GetAuditableDataTypeFromExt(const char* extension) {
  if (extension == nullptr) return kDataTypeUnknown;
  std::string_view ext(extension);
  if (!ext.empty() && ext.front() == '.') ext.remove_prefix(1);
  for (int type = 0; type < kDataTypeCount; ++type) {
    if (EqualsNoCase(ext, names::DataTypeExtension(type))) {
      return static_cast<AuditableDataTypeID>(type);
    }
  }
  return kDataTypeUnknown;
}

std::string SystemTable::GetDataTypeExtension(int data_type) {
  return Text(names::DataTypeExtension(data_type));
}

int SystemTable::GetNumPredefinedESigReasons(int data_type) {
  if (!IsValidDataType(data_type)) return 0;
  return static_cast<int>(Reasons().by_type[data_type].size());
}

int SystemTable::GetESigReason(int index, ESigReason& reason, int data_type) {
  if (index < 0 || index >= GetNumPredefinedESigReasons(data_type)) return 0;
  reason = Reasons().by_type[data_type][static_cast<size_t>(index)];
  return 1;
}

const std::map<AuditableDataTypeID, const std::vector<ESigReason>*>&
SystemTable::GetDataTypeToESigReasonListMap() {
  return Reasons().map;
}

}  // namespace tav
