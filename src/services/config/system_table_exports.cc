// The naming entry points exported by libTAVConfiguration.so (see
// name_entry_points.h for the calling rules). Plain C: they are looked up by
// name and called through function pointers.
#include <cstring>
#include <string>

#include "services/config/system_names.h"

#define TAV_NAME_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

int CopyName(const char* name, char* buffer, int size) {
  if (name == nullptr) {
    if (buffer != nullptr && size > 0) buffer[0] = '\0';
    return -1;
  }
  const int length = static_cast<int>(std::strlen(name));
  if (buffer != nullptr && size > 0) {
    if (size > length) {
      std::memcpy(buffer, name, static_cast<size_t>(length) + 1);
    } else {
      buffer[0] = '\0';
    }
  }
  return length;
}

}  // namespace

TAV_NAME_EXPORT int SystemTable_ActivityName(int id, char* buffer, int size) {
  return CopyName(tav::names::Activity(id), buffer, size);
}

TAV_NAME_EXPORT int SystemTable_GroupName(int id, char* buffer, int size) {
  return CopyName(tav::names::Group(id), buffer, size);
}

TAV_NAME_EXPORT int SystemTable_AuditTypeName(int id, char* buffer, int size) {
  return CopyName(tav::names::DataType(id, false), buffer, size);
}

TAV_NAME_EXPORT int SystemTable_AuditRecordingTypeName(int id, char* buffer, int size) {
  return CopyName(tav::names::RecordingType(id), buffer, size);
}

TAV_NAME_EXPORT int SystemTable_ESigSettingName(int id, char* buffer, int size) {
  return CopyName(tav::names::ESigSetting(id), buffer, size);
}

TAV_NAME_EXPORT int SystemTable_ESigReasonName(int reason, int item, char* buffer, int size) {
  const std::string name = tav::names::ReasonName(reason, item);
  return CopyName(name.empty() ? nullptr : name.c_str(), buffer, size);
}
