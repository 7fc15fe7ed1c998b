#include "util/library_lifetime.h"

#include <cstddef>

namespace tav {

namespace {

// Plain arrays: nothing here has a destructor that could run at exit.
constexpr size_t kMaxObjects = 64;
struct Registration {
  void (*release)(void*);
  void* object;
};
Registration g_objects[kMaxObjects];
size_t g_count = 0;
std::mutex g_mutex;

}  // namespace

std::mutex& LibraryObjectsMutex() { return g_mutex; }

void ReleaseAtUnloadLocked(void (*release)(void* object), void* object) {
  if (g_count < kMaxObjects) g_objects[g_count++] = {release, object};
}

void ReleaseLibraryObjects() {
  for (;;) {
    Registration last;
    {
      std::lock_guard<std::mutex> lock(g_mutex);
      if (g_count == 0) return;
      last = g_objects[--g_count];
    }
    last.release(last.object);
  }
}

}  // namespace tav
