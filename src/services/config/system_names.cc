#include "services/config/system_names.h"

#include <iterator>

#include "util/shown_text.h"

// docs/configuration.md lists these tables; the numbers are stored in
// settings and records, the texts only shown (except the group names, which
// are the account groups that grant rights). The shown texts are marked for
// translation in the context "tav::Names": the dialogs translate them where
// they show them, while records and settings keep the English names.

namespace tav::names {

namespace {

template <size_t N>
const char* Pick(const char* const (&table)[N], int index) {
  return index >= 0 && static_cast<size_t>(index) < N ? table[index] : nullptr;
}

const char* const kActivities[] = {
    TAV_TR_NOOP("tav::Names",
                "Configure Compliance Settings"),  // 0: opens the compliance configuration
    TAV_TR_NOOP("tav::Names", "Create Documents"),
    TAV_TR_NOOP("tav::Names", "Edit Plate Setup"),
    TAV_TR_NOOP("tav::Names", "Edit Thermal Profile"),
    TAV_TR_NOOP("tav::Names", "Start Runs"),
    TAV_TR_NOOP("tav::Names", "Stop Runs"),
    TAV_TR_NOOP("tav::Names", "Manage Run List"),  // 6
    TAV_TR_NOOP("tav::Names", "Analyze Data"),
    TAV_TR_NOOP("tav::Names", "Edit Analysis Settings"),
    TAV_TR_NOOP("tav::Names", "Calibrate Instrument"),
    TAV_TR_NOOP("tav::Names", "Export Data"),
    TAV_TR_NOOP("tav::Names", "Print Reports"),
    TAV_TR_NOOP("tav::Names", "Save Templates and Methods"),
    TAV_TR_NOOP("tav::Names", "View Audit Trails"),  // 13
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
    TAV_TR_NOOP("tav::Names", "Run Files (*.tav)"),
    TAV_TR_NOOP("tav::Names", "Calibration Files (*.tvc)"),
    TAV_TR_NOOP("tav::Names", "Templates (*.tvt)"),
    TAV_TR_NOOP("tav::Names", "Analysis Settings (*.tvs)"),
    TAV_TR_NOOP("tav::Names", "Reports (*.tvr)"),
    TAV_TR_NOOP("tav::Names", "Methods (*.tvm)"),
};

const char* const kDataTypeExt[] = {"tav", "tvc", "tvt", "tvs", "tvr", "tvm"};

const char* const kRecordingTypes[] = {
    TAV_TR_NOOP("tav::Names", "Not Audited"),
    TAV_TR_NOOP("tav::Names", "Audited"),
    TAV_TR_NOOP("tav::Names", "Audited, Reason for Change Optional"),
    TAV_TR_NOOP("tav::Names", "Audited, Reason for Change Required"),
};

const char* const kESigSettings[] = {TAV_TR_NOOP("tav::Names", "None"),
                                     TAV_TR_NOOP("tav::Names", "Optional"),
                                     TAV_TR_NOOP("tav::Names", "Required")};

const char* const kMeanings[] = {
    TAV_TR_NOOP("tav::Names", "Authored"), TAV_TR_NOOP("tav::Names", "Reviewed"),
    TAV_TR_NOOP("tav::Names", "Approved"), TAV_TR_NOOP("tav::Names", "Verified")};

const char* const kItemLabels[] = {
    TAV_TR_NOOP("tav::Names", "document"),          TAV_TR_NOOP("tav::Names", "plate setup"),
    TAV_TR_NOOP("tav::Names", "thermal profile"),   TAV_TR_NOOP("tav::Names", "run data"),
    TAV_TR_NOOP("tav::Names", "analysis results"),  TAV_TR_NOOP("tav::Names", "calibration data"),
    TAV_TR_NOOP("tav::Names", "analysis settings"),
};

const char* const kItemTitles[] = {
    TAV_TR_NOOP("tav::Names", "Document"),          TAV_TR_NOOP("tav::Names", "Plate Setup"),
    TAV_TR_NOOP("tav::Names", "Thermal Profile"),   TAV_TR_NOOP("tav::Names", "Run Data"),
    TAV_TR_NOOP("tav::Names", "Analysis Results"),  TAV_TR_NOOP("tav::Names", "Calibration Data"),
    TAV_TR_NOOP("tav::Names", "Analysis Settings"),
};

// ReasonName's phrases as wholes, so that each is translated as one phrase
// (word order and agreement differ between languages).
[[maybe_unused]] const char* const kReasonNamesToTranslate[] = {
    TAV_TR_NOOP("tav::Names", "Authored Document"),
    TAV_TR_NOOP("tav::Names", "Authored Plate Setup"),
    TAV_TR_NOOP("tav::Names", "Authored Thermal Profile"),
    TAV_TR_NOOP("tav::Names", "Authored Run Data"),
    TAV_TR_NOOP("tav::Names", "Authored Analysis Results"),
    TAV_TR_NOOP("tav::Names", "Authored Calibration Data"),
    TAV_TR_NOOP("tav::Names", "Authored Analysis Settings"),
    TAV_TR_NOOP("tav::Names", "Reviewed Document"),
    TAV_TR_NOOP("tav::Names", "Reviewed Plate Setup"),
    TAV_TR_NOOP("tav::Names", "Reviewed Thermal Profile"),
    TAV_TR_NOOP("tav::Names", "Reviewed Run Data"),
    TAV_TR_NOOP("tav::Names", "Reviewed Analysis Results"),
    TAV_TR_NOOP("tav::Names", "Reviewed Calibration Data"),
    TAV_TR_NOOP("tav::Names", "Reviewed Analysis Settings"),
    TAV_TR_NOOP("tav::Names", "Approved Document"),
    TAV_TR_NOOP("tav::Names", "Approved Plate Setup"),
    TAV_TR_NOOP("tav::Names", "Approved Thermal Profile"),
    TAV_TR_NOOP("tav::Names", "Approved Run Data"),
    TAV_TR_NOOP("tav::Names", "Approved Analysis Results"),
    TAV_TR_NOOP("tav::Names", "Approved Calibration Data"),
    TAV_TR_NOOP("tav::Names", "Approved Analysis Settings"),
    TAV_TR_NOOP("tav::Names", "Verified Document"),
    TAV_TR_NOOP("tav::Names", "Verified Plate Setup"),
    TAV_TR_NOOP("tav::Names", "Verified Thermal Profile"),
    TAV_TR_NOOP("tav::Names", "Verified Run Data"),
    TAV_TR_NOOP("tav::Names", "Verified Analysis Results"),
    TAV_TR_NOOP("tav::Names", "Verified Calibration Data"),
    TAV_TR_NOOP("tav::Names", "Verified Analysis Settings"),
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
