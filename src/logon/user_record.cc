#include "logon/user_record.h"

namespace tav {

LogonState& TheLogonState() {
  static LogonState state;
  return state;
}

std::string JoinGroups(const std::list<std::string>& groups) {
  std::string joined;
  for (auto it = groups.begin(); it != groups.end(); ++it) {
    joined += *it;
    if (std::next(it) != groups.end()) joined += ", ";
  }
  return joined;
}

}  // namespace tav
