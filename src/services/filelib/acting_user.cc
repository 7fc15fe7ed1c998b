#include "services/filelib/acting_user.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

namespace tav {

std::string ProcessUserName() {
  const uid_t uid = geteuid();
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  return "uid " + std::to_string(uid);
}

std::string ActingUserName() { return ProcessUserName(); }

}  // namespace tav
