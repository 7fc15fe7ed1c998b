#include "services/config/system_names.h"

#include <iterator>

// docs/configuration.md lists these tables; the numbers are stored in
// settings and records, the texts only shown (except the group names, which
// are the account groups that grant rights).

namespace tav::names {

namespace {

template <size_t N>
const char* Pick(const char* const (&table)[N], int index) {
  return index >= 0 && static_cast<size_t>(index) < N ? table[index] : nullptr;
}

const char* const kActivities[] = {
    "Configure Compliance Settings",  // 0: opens the compliance configuration
    "Create Documents",
    "Edit Plate Setup",
    "Edit Thermal Profile",
    "Start Runs",
    "Stop Runs",
    "Manage Run List",  // 6
    "Analyze Data",
    "Edit Analysis Settings",
    "Calibrate Instrument",
    "Export Data",
    "Print Reports",
    "Save Templates and Methods",
    "View Audit Trails",  // 13
};

// Account group names: lower case and without blanks, so that they are
// valid system group names as well as names in the local account database.
const char* const kGroups[] = {
    "tav-admins", "tav-managers", "tav-analysts", "tav-operators", "tav-users",
};

const char* const kDataTypeStored[] = {
    "Run File", "Calibration", "Template", "Analysis Settings", "Report", "Method",
};

const char* const kDataTypeList[] = {
    "Run Files (*.tav)",         "Calibration Files (*.tvc)", "Templates (*.tvt)",
    "Analysis Settings (*.tvs)", "Reports (*.tvr)",           "Methods (*.tvm)",
};

const char* const kDataTypeExt[] = {"tav", "tvc", "tvt", "tvs", "tvr", "tvm"};

const char* const kRecordingTypes[] = {
    "Not Audited",
    "Audited",
    "Audited, Reason for Change Optional",
    "Audited, Reason for Change Required",
};

const char* const kESigSettings[] = {"None", "Optional", "Required"};

const char* const kMeanings[] = {"Authored", "Reviewed", "Approved", "Verified"};

const char* const kItemLabels[] = {
    "document",         "plate setup",       "thermal profile",   "run data",
    "analysis results", "calibration data", "analysis settings",
};

const char* const kItemTitles[] = {
    "Document",         "Plate Setup",      "Thermal Profile",   "Run Data",
    "Analysis Results", "Calibration Data", "Analysis Settings",
};

static_assert(std::size(kActivities) == 14);
static_assert(std::size(kGroups) == 5);
static_assert(std::size(kDataTypeStored) == 6 && std::size(kDataTypeList) == 6 &&
              std::size(kDataTypeExt) == 6);
static_assert(std::size(kItemLabels) == std::size(kItemTitles));

}  // namespace

const char* Activity(int activity) { return Pick(kActivities, activity); }
const char* Group(int group) { return Pick(kGroups, group); }
const char* DataType(int data_type, bool list_text) {
  return list_text ? Pick(kDataTypeList, data_type) : Pick(kDataTypeStored, data_type);
}
const char* DataTypeExtension(int data_type) { return Pick(kDataTypeExt, data_type); }
const char* RecordingType(int recording_type) { return Pick(kRecordingTypes, recording_type); }
const char* ESigSetting(int setting) { return Pick(kESigSettings, setting); }
const char* ReasonMeaning(int reason) { return Pick(kMeanings, reason); }
const char* ItemLabel(int item) { return Pick(kItemLabels, item); }
const char* ItemTitle(int item) { return Pick(kItemTitles, item); }

std::string ReasonName(int reason, int item) {
  const char* meaning = ReasonMeaning(reason);
  const char* title = ItemTitle(item);
  if (meaning == nullptr || title == nullptr) return {};
  return std::string(meaning) + " " + title;
}

}  // namespace tav::names
