// The display names of the configuration service's identifiers: the name
// tables behind SystemTable and behind the C naming entry points
// (SystemTable_ActivityName and its siblings).
//
// Constant data: no dependencies, any thread. An identifier outside its
// range has no name (nullptr).
#ifndef TAV_SERVICES_CONFIG_SYSTEM_NAMES_H_
#define TAV_SERVICES_CONFIG_SYSTEM_NAMES_H_

#include <string>

namespace tav::names {

const char* Activity(int activity);
// The group name that users' account groups are compared with.
const char* Group(int group);
// `list_text`: the text shown in lists ("Run Files (*.tav)"); otherwise the
// text stored in settings ("Run File").
const char* DataType(int data_type, bool list_text);
// The file extension of a data type's documents, without the dot.
const char* DataTypeExtension(int data_type);
const char* RecordingType(int recording_type);
const char* ESigSetting(int setting);
// The meaning of a signature ("Approved").
const char* ReasonMeaning(int reason);
// What a signature covers, as a noun phrase that reads inside a sentence
// ("analysis results").
const char* ItemLabel(int item);
// The same as a title ("Analysis Results").
const char* ItemTitle(int item);
// The name of a signature reason: its meaning and what it covers
// ("Approved Analysis Results"); "" when either is unknown.
std::string ReasonName(int reason, int item);

}  // namespace tav::names

#endif  // TAV_SERVICES_CONFIG_SYSTEM_NAMES_H_
