#include "services/config/name_entry_points.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>
#include <mutex>
#include <vector>

namespace tav {

namespace {

using NameFn = int (*)(int, char*, int);
using ReasonNameFn = int (*)(int, int, char*, int);

struct Library {
  bool searched = false;
  void* handle = nullptr;  // never closed: looked-up functions may be in use
  std::string path;        // "" for the default search
};

std::mutex g_mutex;
Library g_library;

std::string ProgramDir() {
  std::vector<char> buffer(PATH_MAX + 1);
  const ssize_t n = readlink("/proc/self/exe", buffer.data(), buffer.size() - 1);
  if (n <= 0) return {};
  std::string exe(buffer.data(), static_cast<size_t>(n));
  const size_t slash = exe.rfind('/');
  return slash == std::string::npos ? std::string() : exe.substr(0, slash);
}

std::string ModuleDir() {
  Dl_info info;
  if (dladdr(reinterpret_cast<void*>(&SetNameLibraryPath), &info) == 0 ||
      info.dli_fname == nullptr) {
    return {};
  }
  const std::string file(info.dli_fname);
  const size_t slash = file.rfind('/');
  return slash == std::string::npos ? std::string() : file.substr(0, slash);
}

void* Open(const std::string& file) {
  // RTLD_LOCAL: the entry points are found with dlsym on this handle only.
  return dlopen(file.c_str(), RTLD_NOW | RTLD_LOCAL);
}

void* LookUp(const char* name) {
  std::lock_guard<std::mutex> lock(g_mutex);
  if (!g_library.searched) {
    g_library.searched = true;
    if (!g_library.path.empty()) {
      g_library.handle = Open(g_library.path);
    } else {
      // Beside the library holding this code (an installed
      // libTAVSecurityUI.so), beside the program, then the usual search.
      for (const std::string& dir : {ModuleDir(), ProgramDir()}) {
        if (g_library.handle == nullptr && !dir.empty()) {
          g_library.handle = Open(dir + "/" + kNameLibraryFileName);
        }
      }
      if (g_library.handle == nullptr) g_library.handle = Open(kNameLibraryFileName);
    }
    // A failed dlopen leaves a message behind; nobody else should see it.
    if (g_library.handle == nullptr) dlerror();
  }
  if (g_library.handle == nullptr) return nullptr;
  void* fn = dlsym(g_library.handle, name);
  if (fn == nullptr) dlerror();
  return fn;
}

template <typename Call>
std::string Ask(Call call) {
  const int length = call(nullptr, 0);
  if (length <= 0) return {};
  std::string out(static_cast<size_t>(length) + 1, '\0');
  const int again = call(out.data(), length + 1);
  // The name may not change between the two calls; if it does, take none.
  if (again != length) return {};
  out.resize(static_cast<size_t>(length));
  return out;
}

std::string Name(const char* entry, int id) {
  auto fn = reinterpret_cast<NameFn>(LookUp(entry));
  if (fn == nullptr) return {};
  return Ask([&](char* buffer, int size) { return fn(id, buffer, size); });
}

}  // namespace

void SetNameLibraryPath(const std::string& path) {
  std::lock_guard<std::mutex> lock(g_mutex);
  g_library = Library();
  g_library.path = path;
}

std::string EntryActivityName(int activity) { return Name("SystemTable_ActivityName", activity); }
std::string EntryGroupName(int group) { return Name("SystemTable_GroupName", group); }
std::string EntryAuditTypeName(int data_type) {
  return Name("SystemTable_AuditTypeName", data_type);
}
std::string EntryAuditRecordingTypeName(int recording_type) {
  return Name("SystemTable_AuditRecordingTypeName", recording_type);
}
std::string EntryESigSettingName(int setting) {
  return Name("SystemTable_ESigSettingName", setting);
}

std::string EntryESigReasonName(int reason, int item) {
  auto fn = reinterpret_cast<ReasonNameFn>(LookUp("SystemTable_ESigReasonName"));
  if (fn == nullptr) return {};
  return Ask([&](char* buffer, int size) { return fn(reason, item, buffer, size); });
}

}  // namespace tav
