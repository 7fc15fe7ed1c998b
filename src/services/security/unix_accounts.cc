#include "services/security/unix_accounts.h"

#include <grp.h>
#include <pwd.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>

namespace tav {
namespace {

constexpr size_t kInitialBuffer = 4096;
constexpr size_t kMaxBuffer = 1 << 20;
constexpr int kMaxGroups = 65536;

// Runs a getpw*_r / getgr*_r call, growing the buffer while it says ERANGE.
template <typename Entry, typename Call>
bool LookUp(Call call, Entry* entry, std::vector<char>* buffer) {
  buffer->resize(kInitialBuffer);
  for (;;) {
    Entry* found = nullptr;
    int rc = call(entry, buffer->data(), buffer->size(), &found);
    if (rc == ERANGE && buffer->size() < kMaxBuffer) {
      buffer->resize(buffer->size() * 2);
      continue;
    }
    return rc == 0 && found != nullptr;
  }
}

bool FromPasswd(const passwd& entry, UnixUser* user) {
  user->name = entry.pw_name != nullptr ? entry.pw_name : "";
  user->uid = entry.pw_uid;
  user->gid = entry.pw_gid;
  user->gecos = entry.pw_gecos != nullptr ? entry.pw_gecos : "";
  return !user->name.empty();
}

}  // namespace

bool LookUpUnixUser(const std::string& name, UnixUser* user) {
  passwd entry;
  std::vector<char> buffer;
  auto call = [&](passwd* e, char* b, size_t n, passwd** found) {
    return getpwnam_r(name.c_str(), e, b, n, found);
  };
  return LookUp(call, &entry, &buffer) && FromPasswd(entry, user);
}

bool LookUpUnixUser(uid_t uid, UnixUser* user) {
  passwd entry;
  std::vector<char> buffer;
  auto call = [&](passwd* e, char* b, size_t n, passwd** found) {
    return getpwuid_r(uid, e, b, n, found);
  };
  return LookUp(call, &entry, &buffer) && FromPasswd(entry, user);
}

std::vector<std::string> UnixGroupNames(const UnixUser& user) {
  std::vector<gid_t> gids(64);
  for (;;) {
    int count = static_cast<int>(gids.size());
    if (getgrouplist(user.name.c_str(), user.gid, gids.data(), &count) >= 0) {
      gids.resize(static_cast<size_t>(count));
      break;
    }
    // -1 with `count` set to the number needed.
    if (count <= static_cast<int>(gids.size()) || count > kMaxGroups) {
      gids.assign(1, user.gid);
      break;
    }
    gids.resize(static_cast<size_t>(count));
  }
  std::vector<std::string> names;
  std::vector<char> buffer;
  for (gid_t gid : gids) {
    group entry;
    auto call = [&](group* e, char* b, size_t n, group** found) {
      return getgrgid_r(gid, e, b, n, found);
    };
    std::string name;
    if (LookUp(call, &entry, &buffer) && entry.gr_name != nullptr) name = entry.gr_name;
    if (name.empty()) name = std::to_string(gid);
    // getgrouplist may list the primary group twice.
    if (std::find(names.begin(), names.end(), name) == names.end()) {
      names.push_back(std::move(name));
    }
  }
  return names;
}

void SplitGecos(std::string_view gecos, std::string* full_name,
                std::string* description) {
  size_t comma = gecos.find(',');
  *full_name = gecos.substr(0, comma);
  description->clear();
  while (comma != std::string_view::npos) {
    gecos.remove_prefix(comma + 1);
    comma = gecos.find(',');
    std::string_view field = gecos.substr(0, comma);
    if (field.empty()) continue;
    if (!description->empty()) description->append(", ");
    description->append(field);
  }
}

bool IsUnixAdmin(const UnixUser& user, const std::vector<std::string>& groups,
                 const std::string& admin_group) {
  if (user.uid == 0) return true;
  return std::find(groups.begin(), groups.end(), admin_group) != groups.end();
}

std::string ShortHostName() {
  char name[HOST_NAME_MAX + 1] = {};
  if (gethostname(name, sizeof name - 1) != 0) return {};
  std::string host(name);
  return host.substr(0, host.find('.'));
}

}  // namespace tav
