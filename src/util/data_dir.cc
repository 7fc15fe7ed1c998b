#include "util/data_dir.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace tav {
namespace {

constexpr char kFolderName[] = "tavsecurity";

std::string HomeDir() {
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return home;
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_dir != nullptr && found->pw_dir[0] == '/') {
    return found->pw_dir;
  }
  return {};
}

std::string UserDataDir() {
  // XDG says relative values are invalid and must be ignored.
  const char* xdg = std::getenv("XDG_DATA_HOME");
  if (xdg != nullptr && xdg[0] == '/') return std::string(xdg) + "/" + kFolderName;
  std::string home = HomeDir();
  if (home.empty()) return {};
  return home + "/.local/share/" + kFolderName;
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

}  // namespace

std::string DataDir() {
  const char* explicit_dir = std::getenv("TAV_DATA_DIR");
  if (explicit_dir != nullptr && explicit_dir[0] != '\0') return explicit_dir;
  if (geteuid() == 0 || access(kSystemDataDir, R_OK | W_OK | X_OK) == 0) {
    return kSystemDataDir;
  }
  std::string user_dir = UserDataDir();
  return user_dir.empty() ? std::string(kSystemDataDir) : user_dir;
}

bool EnsureDataDir(std::string* path, std::string* error) {
  std::string dir = DataDir();
  while (dir.size() > 1 && dir.back() == '/') dir.pop_back();
  if (!MakeDirs(dir, error)) return false;
  *path = dir;
  return true;
}

}  // namespace tav
