#include "services/filelib/acting_user.h"

#include <pwd.h>
#include <unistd.h>

#include <atomic>
#include <fstream>
#include <mutex>
#include <vector>

#include "services/security/korwinsec.h"

namespace tav {

namespace {

std::string NameOf(uid_t uid) {
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwuid_r(uid, &entry, buffer.data(), buffer.size(), &found) == 0 && found != nullptr &&
      found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  return "uid " + std::to_string(uid);
}

std::atomic<bool> g_show_system_user{false};
std::atomic<ImpersonatedAccountSource> g_impersonated_source{nullptr};

std::mutex g_service_account_mutex;
std::string& ServiceAccount() {
  static std::string* account = new std::string();  // outlives static destruction
  return *account;
}

}  // namespace

void SetActingUserShowsSystemUser(bool show) { g_show_system_user = show; }

void SetImpersonatedAccountSource(ImpersonatedAccountSource source) {
  g_impersonated_source = source;
}

void SetServiceAuthenticatedAccount(const std::string& account) {
  std::lock_guard<std::mutex> lock(g_service_account_mutex);
  ServiceAccount() = account;
}

long long LoginUidOf(pid_t pid) {
  const std::string path =
      pid == 0 ? std::string("/proc/self/loginuid") : "/proc/" + std::to_string(pid) + "/loginuid";
  std::ifstream file(path);
  long long uid = -1;
  if (!(file >> uid) || uid == 4294967295LL) return -1;
  return uid;
}

std::string SystemUserName(uid_t uid, long long login_uid) {
  std::string name = NameOf(uid);
  // An administrator who became root (sudo) is named too: "root" alone
  // would not say who made a change.
  if (login_uid >= 0 && static_cast<uid_t>(login_uid) != uid) {
    name += " (logged in as " + NameOf(static_cast<uid_t>(login_uid)) + ")";
  }
  return name;
}

std::string ProcessUserName() { return SystemUserName(geteuid(), LoginUidOf(0)); }

std::string NameWithSystemUser(const std::string& account, std::string system_user) {
  // "root (logged in as bob)" reads "root, logged in as bob" inside.
  const size_t open = system_user.find(" (");
  if (open != std::string::npos && system_user.back() == ')') {
    system_user = system_user.substr(0, open) + ", " +
                  system_user.substr(open + 2, system_user.size() - open - 3);
  }
  return account + " (system user " + system_user + ")";
}

namespace {

std::string WithSystemUser(const std::string& name) {
  if (!g_show_system_user) return name;
  return NameWithSystemUser(name, ProcessUserName());
}

}  // namespace

std::string ActingUserName() {
  // The security service answers for the calling thread: its impersonated
  // user, or no value while it impersonates nobody.
  const int length = KorWinSec_aGetImpersonatedUser(nullptr, 0);
  if (length > 0) {
    std::string name(static_cast<size_t>(length) + 1, '\0');
    if (KorWinSec_aGetImpersonatedUser(name.data(), length + 1) == length) {
      name.resize(static_cast<size_t>(length));
      return WithSystemUser(name);
    }
  }
  if (ImpersonatedAccountSource source = g_impersonated_source.load()) {
    std::string name = source();
    if (!name.empty()) return WithSystemUser(name);
  }
  std::string account;
  {
    std::lock_guard<std::mutex> lock(g_service_account_mutex);
    account = ServiceAccount();
  }
  if (!account.empty()) return WithSystemUser(account);
  return ProcessUserName();
}

}  // namespace tav
