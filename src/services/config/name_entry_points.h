// The naming entry points of the configuration library, for setting records
// whose stored name is empty: plain C functions that a component looks up by
// name in the library "libTAVConfiguration.so" at run time.
//
// Each entry point has the form
//     int SystemTable_ActivityName(int id, char* buffer, int size)
// (SystemTable_ESigReasonName takes a reason id and an item code before the
// buffer) and follows the suite's string-query rule: it returns the name's
// length without the terminating zero, or -1 when the identifier has no
// name; it copies the NUL-terminated name only when size > length, else it
// stores an empty string; a null buffer asks for the length only.
//
// Lookup: the library is searched once per process: a path given with
// SetNameLibraryPath, else beside the shared library that holds this code,
// else beside the running program, else by the dynamic linker's usual
// search. A missing library or a missing entry leaves the name
// empty; nothing fails.
//
// Thread safety: any thread.
#ifndef TAV_SERVICES_CONFIG_NAME_ENTRY_POINTS_H_
#define TAV_SERVICES_CONFIG_NAME_ENTRY_POINTS_H_

#include <string>

namespace tav {

inline constexpr char kNameLibraryFileName[] = "libTAVConfiguration.so";

// Uses the library at `path` from now on (an empty path restores the default
// search). Forgets what earlier lookups found.
void SetNameLibraryPath(const std::string& path);

// Names through the entry points; "" when the library, the entry or the
// name is missing.
std::string EntryActivityName(int activity);
std::string EntryGroupName(int group);
std::string EntryESigReasonName(int reason, int item);
std::string EntryAuditTypeName(int data_type);
std::string EntryAuditRecordingTypeName(int recording_type);
std::string EntryESigSettingName(int setting);

}  // namespace tav

#endif  // TAV_SERVICES_CONFIG_NAME_ENTRY_POINTS_H_
