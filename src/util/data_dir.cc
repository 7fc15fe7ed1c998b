#include "util/data_dir.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "util/library_lifetime.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr size_t kMaxMachineConfigBytes = 16 * 1024;

struct TestRoot {
  bool set = false;
  std::string root;
};

TestRoot& TheTestRoot() {
  // Not destroyed at exit: the library may ask during static destruction.
  static UntilUnload<TestRoot> root;
  return root.Get();
}

std::string TrimSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/') path.pop_back();
  return path;
}

uid_t OwnerOf(const std::string& root) {
  struct stat st;
  return stat(root.empty() ? "/" : root.c_str(), &st) == 0 ? st.st_uid : 0;
}

// Reads a small file that only the trusted owner can have written. Empty
// when the file is missing, too large, or open to others' changes.
bool ReadTrustedFile(const std::string& path, uid_t owner, std::string* text) {
  int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (fd < 0) return false;
  struct stat st;
  bool ok = fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_uid == owner &&
            (st.st_mode & 022) == 0 && st.st_size <= static_cast<off_t>(kMaxMachineConfigBytes);
  if (ok) {
    text->resize(static_cast<size_t>(st.st_size));
    ssize_t n = read(fd, text->data(), text->size());
    ok = n == static_cast<ssize_t>(text->size());
  }
  close(fd);
  return ok;
}

// "yes" for allow_data_dir_override in the machine's configuration under
// `root`. Anything unreadable or unclear is a no.
bool ConfigAllowsOverride(const std::string& root) {
  std::string text;
  if (!ReadTrustedFile(root + kMachineConfigFile, OwnerOf(root), &text)) return false;
  bool allowed = false;
  const bool clear = ForEachSettingLine(text, [&](const SettingLine& line) {
    if (!line.has_equals) return false;
    if (line.key != kAllowOverrideKey) return true;
    if (line.value == "yes") {
      allowed = true;
    } else if (line.value == "no") {
      allowed = false;
    } else {
      return false;
    }
    return true;
  });
  if (!clear) return false;
  return allowed;
}

bool MakeDirs(const std::string& path, std::string* error) {
  struct stat st;
  if (stat(path.c_str(), &st) == 0) {
    if (S_ISDIR(st.st_mode)) return true;
    *error = path + " exists and is not a folder";
    return false;
  }
  size_t slash = path.find_last_of('/');
  if (slash != std::string::npos && slash > 0 &&
      !MakeDirs(path.substr(0, slash), error)) {
    return false;
  }
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) {
    *error = "cannot create " + path + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

std::string UserNameOf(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr) {
    return found->pw_name;
  }
  return "uid " + std::to_string(uid);
}

std::string UserName() { return UserNameOf(geteuid()); }

StoreStatus Unavailable(const std::string& message) {
  return StoreStatus(StoreStatus::kUnavailable, message);
}

}  // namespace

void SetMachineRootForTesting(const std::string& root) {
  TheTestRoot().set = !root.empty();
  TheTestRoot().root = TrimSlashes(root);
}

std::string MachineRoot() {
  if (TheTestRoot().set) return TheTestRoot().root;
  const char* root = std::getenv("TAV_MACHINE_ROOT");
  if (root == nullptr || root[0] != '/' || !DataDirOverrideAllowed("")) return {};
  std::string trimmed = TrimSlashes(root);
  return trimmed == "/" ? std::string() : trimmed;
}

std::string MachinePath(const char* absolute_path) { return MachineRoot() + absolute_path; }

uid_t MachineRootOwner() { return OwnerOf(MachineRoot()); }

bool InUserNamespace() {
  // The initial namespace maps every uid to itself: "0 0 4294967295".
  static const bool in_namespace = [] {
    std::ifstream map("/proc/self/uid_map");
    unsigned long long inside = 1, outside = 1, count = 0;
    if (!(map >> inside >> outside >> count)) return false;  // no /proc: nothing to tell
    std::string more;
    return inside != 0 || outside != 0 || count != 4294967295ULL || (map >> more);
  }();
  return in_namespace;
}

bool DataDirOverrideAllowed(const std::string& root) {
  // Inside a user namespace the user is root of a world of his own making:
  // a tmpfs over /var/lib hides the store there, and the configuration can
  // say anything. No private store replaces the machine's from there.
  if (InUserNamespace()) return false;
  struct stat st;
  // Only a store that certainly is not there may be replaced; a folder we
  // cannot even look at counts as present.
  if (lstat((root + kSystemDataDir).c_str(), &st) != 0 && errno == ENOENT) return true;
  return ConfigAllowsOverride(root);
}

StoreStatus LocateDataDir(DataDirChoice* choice) {
  const std::string root = MachineRoot();
  const char* named = std::getenv("TAV_DATA_DIR");
  if (named != nullptr && named[0] != '\0' && DataDirOverrideAllowed(root)) {
    choice->path = TrimSlashes(named);
    choice->machine_wide = false;
    return StoreStatus::Ok();
  }
  const std::string store = root + kSystemDataDir;
  struct stat st;
  if (stat(store.c_str(), &st) != 0) {
    if (errno == ENOENT) {
      return Unavailable("the security store " + store +
                         " does not exist: this machine is not set up (an administrator runs "
                         "\"tavsec setup\" as root)");
    }
    return Unavailable("the security store " + store + " cannot be used by " + UserName() +
                       ": " + std::strerror(errno));
  }
  if (!S_ISDIR(st.st_mode)) {
    return Unavailable("the security store " + store + " is not a folder");
  }
  choice->path = store;
  choice->machine_wide = true;
  return StoreStatus::Ok();
}

StoreStatus MayOpenStoreFiles(const DataDirChoice& choice) {
  if (!choice.machine_wide || access(choice.path.c_str(), R_OK | W_OK | X_OK) == 0) {
    return StoreStatus::Ok();
  }
  struct stat st;
  const std::string owner =
      stat(choice.path.c_str(), &st) == 0 ? " (" + UserNameOf(st.st_uid) + "'s)" : "";
  return Unavailable("the security store " + choice.path + " is the compliance service's" +
                     owner + ": " + UserName() +
                     " may not open its files; root may, and every other user goes through "
                     "the service");
}

StoreStatus EnsureDataDir(DataDirChoice* choice) {
  StoreStatus status = LocateDataDir(choice);
  if (!status.ok() || choice->machine_wide) return status;
  std::string error;
  if (!MakeDirs(choice->path, &error)) {
    return StoreStatus(StoreStatus::kReadOnly, "the data directory is not usable: " + error);
  }
  return StoreStatus::Ok();
}

}  // namespace tav
