#include "services/filelib/acting_user.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include "services/security/korwinsec.h"

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

std::string ActingUserName() {
  // The security service answers for the calling thread: its impersonated
  // user, or no value while it impersonates nobody.
  const int length = KorWinSec_aGetImpersonatedUser(nullptr, 0);
  if (length > 0) {
    std::string name(static_cast<size_t>(length) + 1, '\0');
    if (KorWinSec_aGetImpersonatedUser(name.data(), length + 1) == length) {
      name.resize(static_cast<size_t>(length));
      return name;
    }
  }
  return ProcessUserName();
}

}  // namespace tav
