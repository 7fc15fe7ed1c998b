// A system user made for one test and removed after it (root only): the
// ordinary member, attacker or service account a test acts as. Names are
// random so that tests running side by side do not meet.
#ifndef TAV_TESTS_TESTING_SYSTEM_USER_H_
#define TAV_TESTS_TESTING_SYSTEM_USER_H_

#include <pwd.h>
#include <unistd.h>

#include <random>
#include <string>

#include "testing/run_command.h"

namespace tav::testing {

class SystemUser {
 public:
  // A user of a group of its own, or of the existing group `group`.
  explicit SystemUser(const std::string& prefix = "tavusr", const std::string& group = "") {
    std::random_device random;
    name_ = prefix + std::to_string(random() % 1000000);
    const std::string group_option = group.empty() ? "--user-group" : "--gid " + group;
    made_ = RunCommand("useradd --system --no-create-home --shell /usr/sbin/nologin " +
                       group_option + " " + name_).exit_code == 0;
    const passwd* entry = made_ ? getpwnam(name_.c_str()) : nullptr;
    if (entry != nullptr) {
      uid_ = entry->pw_uid;
      gid_ = entry->pw_gid;
    }
  }
  ~SystemUser() {
    if (made_) RunCommand("userdel " + name_);
  }
  SystemUser(const SystemUser&) = delete;
  SystemUser& operator=(const SystemUser&) = delete;

  bool ok() const { return made_ && uid_ != 0; }
  const std::string& name() const { return name_; }
  uid_t uid() const { return uid_; }
  gid_t gid() const { return gid_; }
  // The prefix that runs a command as this user, in its own group only.
  std::string Runs() const {
    return "setpriv --reuid=" + name_ + " --regid=" + std::to_string(gid_) + " --clear-groups ";
  }

 private:
  std::string name_;
  bool made_ = false;
  uid_t uid_ = 0;
  gid_t gid_ = 0;
};

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_SYSTEM_USER_H_
