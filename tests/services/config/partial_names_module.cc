// A naming library that lacks most entry points: only the activity names,
// each spelled "Activity <id>", so that a test can tell where a name came
// from.
#include <cstdio>

extern "C" __attribute__((visibility("default"))) int SystemTable_ActivityName(int id, char* buffer,
                                                                               int size) {
  char name[32];
  const int length = std::snprintf(name, sizeof name, "Activity %d", id);
  if (buffer != nullptr && size > 0) {
    if (size > length) {
      std::snprintf(buffer, static_cast<size_t>(size), "%s", name);
    } else {
      buffer[0] = '\0';
    }
  }
  return length;
}
