// Identifiers from text, as administrators type them: by number, or by name
// without regard to ASCII case (a unique beginning of a name is enough).
//
// Each parser returns the identifier, or -1 and a message in *error that
// lists what would have been understood.
//
// Thread safety: functions of constant tables; any thread.
#ifndef TAV_SERVICES_CONFIG_IDENTIFIER_PARSING_H_
#define TAV_SERVICES_CONFIG_IDENTIFIER_PARSING_H_

#include <string>
#include <string_view>

namespace tav {

// 0 to 13, or an activity name ("manage run list").
int ParseActivity(std::string_view text, std::string* error);
// 0 to 4, or a group name ("tav-admins").
int ParseGroup(std::string_view text, std::string* error);
// 0 to 5, a data type's stored or listed name ("template"), or its file
// extension ("tvt", ".tvt").
int ParseDataType(std::string_view text, std::string* error);
// 0 to 3, a recording type's name, or none, audited, optional, required.
int ParseRecordingType(std::string_view text, std::string* error);
// 0 to 2, or none, optional, required.
int ParseESigSetting(std::string_view text, std::string* error);
// The index of a predefined reason of `data_type`: its number in the
// type's list, or its name ("approved plate setup").
int ParseESigReason(int data_type, std::string_view text, std::string* error);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_IDENTIFIER_PARSING_H_
