// tavsec setup: makes this machine's security store (docs/deployment.md):
// the service's system account; the machine-wide data directory with its
// databases, all the service's alone (folder 0700, files 0600: members
// reach the store only through the service's socket) except the security
// configuration, which stays root's; the machine's configuration; the PAM
// service file; the stealth flag, now and at every boot; and, where
// systemd runs, the service's socket.
// Run as root; again at any time to put owners and modes right (what exists
// is kept, never emptied).
//
// A store made by an older setup was writable by the group's members, so
// setup trusts no name in it that it did not make: a link, a file of
// another kind, or a journal beside a database stops it before anything is
// opened (SQLite would play a journal back into its database). Existing
// databases are taken over through descriptors opened without following
// links; missing ones are made in a folder of setup's own and moved in
// without replacing anything.
//
// With --root DIR every path is DIR followed by its usual path, and nothing
// outside DIR is touched except the stealth flag (which tests rename with
// TAV_STEALTH_NAME); no system group or account is created, so --group and
// --user name ones that exist, and the owner of DIR stands in for root (and
// for the service's account when --user is not given).
#include <fcntl.h>
#include <dirent.h>
#include <grp.h>
#include <pwd.h>
#include <spawn.h>
#include <stdio.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <functional>
#include <iostream>
#include <memory>
#include <string>
#include <iterator>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "services/filelib/compliance_db.h"
#include "services/filelib/event_seal.h"
#include "services/filelib/service_keys.h"
#include "services/filelib/store_config.h"
#include "services/security/account_store.h"
#include "services/security/lockout.h"
#include "services/security/security_config.h"
#include "util/atomic_create.h"
#include "util/data_dir.h"
#include "util/stealth.h"
#include "util/store_status.h"

extern char** environ;

namespace tav::tavsec {
namespace {

// The service's alone: members neither list, read nor write the store.
constexpr mode_t kStoreFolderMode = 0700;
constexpr char kTmpfilesFile[] = "/etc/tmpfiles.d/tavsecurity.conf";
constexpr char kPamDir[] = "/etc/pam.d";
// The service's own files: nobody else may read the password hashes or the
// failures, nor change them.
constexpr mode_t kServiceFileMode = 0600;
// security.conf: root's, so that the service cannot change its own rules.
constexpr mode_t kServiceConfigMode = 0640;
constexpr char kDefaultServiceUser[] = "tavsecurity";
constexpr char kServiceSocketUnit[] = "tavsecurity.socket";
// The system password helper's (a system account's expired password).
constexpr char kPasswordHelperSocketUnit[] = "tavsecurity-passwd.socket";
constexpr char kSystemdRunningDir[] = "/run/systemd/system";
constexpr char kPamServiceText[] =
    "# PAM service of the TAV suite's security library (made by tavsec setup).\n"
    "# Logons and signatures check passwords as the system's own logins do.\n"
    "auth     include common-auth\n"
    "account  include common-account\n"
    "# An expired password is changed at logon (through tavsec-passwd).\n"
    "password include common-password\n";

struct Options {
  std::string root;
  std::string group = kDefaultStoreGroup;
  std::string user;               // "": tavsecurity, or with --root the owner of the root
  std::string data_dir_override;  // "", "allow" or "deny"
};

struct Target {
  std::string root;  // "" for the real machine
  uid_t owner = 0;
  gid_t gid = 0;
  std::string group;
  // The service's account and its primary group.
  std::string service_user;
  uid_t service_uid = 0;
  gid_t service_gid = 0;
};

StoreStatus Fail(const std::string& message) {
  return StoreStatus(StoreStatus::kIOError, message);
}

StoreStatus FromErrno(const std::string& what) {
  return Fail(what + ": " + std::strerror(errno));
}

void Say(const std::string& path, const std::string& what) {
  std::cout << "  " << path << ": " << what << "\n";
}

bool LookUpGroup(const std::string& name, gid_t* gid) {
  std::vector<char> buffer(16384);
  group entry;
  group* found = nullptr;
  if (getgrnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return false;
  }
  *gid = found->gr_gid;
  return true;
}

bool LookUpUser(const std::string& name, uid_t* uid, gid_t* gid) {
  std::vector<char> buffer(16384);
  passwd entry;
  passwd* found = nullptr;
  if (getpwnam_r(name.c_str(), &entry, buffer.data(), buffer.size(), &found) != 0 ||
      found == nullptr) {
    return false;
  }
  *uid = found->pw_uid;
  *gid = found->pw_gid;
  return true;
}

// Runs a program found on PATH and waits for it; true when it exits with 0.
// Its output goes where setup's goes.
bool RunProgram(const std::vector<const char*>& args) {
  std::vector<const char*> argv = args;
  argv.push_back(nullptr);
  pid_t pid = 0;
  if (posix_spawnp(&pid, argv[0], nullptr, nullptr, const_cast<char* const*>(argv.data()),
                   environ) != 0) {
    return false;
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// The store's group; made with groupadd on the real machine when missing.
StoreStatus ResolveGroup(Target* target) {
  if (LookUpGroup(target->group, &target->gid)) return StoreStatus::Ok();
  if (!target->root.empty()) {
    return Fail("the group " + target->group +
                " does not exist; with --root no group is created: name one that exists with "
                "--group");
  }
  if (!RunProgram({"groupadd", "--system", target->group.c_str()}) ||
      !LookUpGroup(target->group, &target->gid)) {
    return Fail("groupadd --system " + target->group + " failed");
  }
  Say("group " + target->group, "created (gid " + std::to_string(target->gid) + ")");
  return StoreStatus::Ok();
}

// The service's system account, whose primary group is the store's group;
// made with useradd on the real machine when missing (the packages' sysusers
// file makes the same one). No home folder, no login.
StoreStatus ResolveServiceAccount(const Options& options, Target* target) {
  if (!target->root.empty() && options.user.empty()) {
    target->service_uid = target->owner;
    target->service_gid = target->gid;
    target->service_user = "uid " + std::to_string(target->owner);
    std::vector<char> buffer(16384);
    passwd entry;
    passwd* found = nullptr;
    if (getpwuid_r(target->owner, &entry, buffer.data(), buffer.size(), &found) == 0 &&
        found != nullptr) {
      target->service_user = found->pw_name;
      target->service_gid = found->pw_gid;
    }
    return StoreStatus::Ok();
  }
  target->service_user = options.user.empty() ? kDefaultServiceUser : options.user;
  const std::string& name = target->service_user;
  if (LookUpUser(name, &target->service_uid, &target->service_gid)) {
    if (target->service_uid == 0) {
      return Fail("the service's account " + name + " is root; name a system account of its own");
    }
    return StoreStatus::Ok();
  }
  if (!target->root.empty()) {
    return Fail("the user " + name +
                " does not exist; with --root no account is created: name one that exists with "
                "--user");
  }
  if (!RunProgram({"useradd", "--system", "--gid", target->group.c_str(), "--no-create-home",
                   "--home-dir", "/nonexistent", "--shell", "/usr/sbin/nologin", "--comment",
                   "TAV compliance service", name.c_str()}) ||
      !LookUpUser(name, &target->service_uid, &target->service_gid)) {
    return Fail("useradd --system " + name + " failed");
  }
  Say("account " + name, "created (uid " + std::to_string(target->service_uid) + ")");
  return StoreStatus::Ok();
}

// Gives an existing file or folder its owner, group and mode; refuses links
// and other kinds, which could point the change anywhere.
StoreStatus FixNode(const std::string& path, uid_t owner, gid_t gid, mode_t mode, bool folder) {
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return FromErrno("cannot open " + path);
  struct stat st;
  StoreStatus status;
  if (fstat(fd, &st) != 0) {
    status = FromErrno("cannot inspect " + path);
  } else if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
    status = Fail(path + " is not a " + (folder ? "folder" : "regular file"));
  } else if (fchown(fd, owner, gid) != 0 || fchmod(fd, mode) != 0) {
    status = FromErrno("cannot set the owner and mode of " + path);
  }
  close(fd);
  return status;
}

// Makes the missing folders of `path` (mode 0755, as /var/lib and /etc are).
StoreStatus MakeParents(const std::string& path) {
  for (size_t slash = path.find('/', 1); slash != std::string::npos;
       slash = path.find('/', slash + 1)) {
    const std::string part = path.substr(0, slash);
    if (mkdir(part.c_str(), 0755) != 0 && errno != EEXIST) return FromErrno("cannot create " + part);
  }
  return StoreStatus::Ok();
}

// The store folder: the service's account's, 0700. An older store's folder
// (root's and the group's, 3770) is taken over.
StoreStatus MakeStoreFolder(const Target& target, std::string* dir) {
  *dir = target.root + kSystemDataDir;
  StoreStatus status = MakeParents(*dir);
  if (!status.ok()) return status;
  const bool existed = mkdir(dir->c_str(), 0700) != 0;
  if (existed && errno != EEXIST) return FromErrno("cannot create " + *dir);
  status = FixNode(*dir, target.service_uid, target.service_gid, kStoreFolderMode, true);
  if (status.ok()) {
    Say(*dir, std::string(existed ? "taken over by " : "created for ") + target.service_user +
                  ", mode 0700");
  }
  return status;
}

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
}

std::string ServiceGroupName(const Target& target) {
  group* service_group = getgrgid(target.service_gid);
  return service_group != nullptr ? service_group->gr_name : std::to_string(target.service_gid);
}

StoreStatus FixIfPresent(const std::string& path, uid_t owner, gid_t gid, mode_t mode) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) return StoreStatus::Ok();
  return FixNode(path, owner, gid, mode, false);
}

// Looks at every name of the store that setup will open or hand to the
// service, before anything is opened. Whatever is there must be a regular
// file; and no journal may lie beside the account or lockout database:
// setup never made one, and the next open would play it back into the
// database (a member, who may create files in the folder, could write one
// that makes him an administrator).
StoreStatus CheckStoreNames(const std::string& dir) {
  std::vector<const char*> names = {kComplianceDbFileName, kAccountsDbFile,  kLockoutDbFile,
                                    kSecurityConfigFile,   kStoreConfigFile, kSealKeyFileName,
                                    kServiceKeyFileName};
  names.insert(names.end(), std::begin(kLabStoreCredentialFiles),
               std::end(kLabStoreCredentialFiles));
  for (const char* name : names) {
    const std::string path = dir + "/" + name;
    struct stat st;
    if (lstat(path.c_str(), &st) != 0) {
      if (errno == ENOENT) continue;
      return FromErrno("cannot inspect " + path);
    }
    if (S_ISLNK(st.st_mode)) {
      return Fail(path + " is a symbolic link, which tavsec setup never makes; it would point "
                  "the store's file elsewhere. Remove it and run setup again");
    }
    if (!S_ISREG(st.st_mode)) {
      return Fail(path + " is not a regular file, so it is not the store's. Remove it and run "
                  "setup again");
    }
  }
  for (const char* name : {kAccountsDbFile, kLockoutDbFile}) {
    for (const char* suffix : {"-journal", "-wal", "-shm"}) {
      const std::string path = dir + "/" + name + suffix;
      struct stat st;
      if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) continue;
      return Fail(path + " lies beside the database and was not made by tavsec setup: opening " +
                  name + " would play it back into it, so nothing is opened. If a crash left " +
                  "it (no program was writing), move it out of the folder and run setup again");
    }
  }
  return StoreStatus::Ok();
}

// A folder of setup's own inside the store (root's, 0700), where new
// databases are made out of the members' reach; removed with what is left in
// it.
class StagingFolder {
 public:
  StoreStatus Make(const std::string& dir) {
    std::string name = dir + "/.tavsec-setup-XXXXXX";
    if (mkdtemp(name.data()) == nullptr) return FromErrno("cannot create a folder in " + dir);
    path_ = name;
    return StoreStatus::Ok();
  }
  ~StagingFolder() {
    if (path_.empty()) return;
    if (DIR* folder = opendir(path_.c_str())) {
      while (dirent* entry = readdir(folder)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") unlink((path_ + "/" + name).c_str());
      }
      closedir(folder);
    }
    rmdir(path_.c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Makes one of the service's databases: `make` creates it at the path it is
// given, inside the staging folder; it gets the service's owner and mode
// there and is then moved to `path` without replacing anything.
StoreStatus MakeServiceDb(const std::string& path, const Target& target,
                          const std::function<StoreStatus(const std::string&)>& make) {
  StagingFolder staging;
  StoreStatus status = staging.Make(FolderOf(path));
  const std::string staged = staging.path() + "/" + path.substr(path.rfind('/') + 1);
  if (status.ok()) status = make(staged);
  if (status.ok()) {
    status = FixNode(staged, target.service_uid, target.service_gid, kServiceFileMode, false);
  }
  if (status.ok() &&
      renameat2(AT_FDCWD, staged.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE) != 0) {
    // Somebody made the name meanwhile: it is then checked as an existing one.
    if (errno != EEXIST) status = FromErrno("cannot move the new " + path + " into place");
  }
  return status;
}

// The account and lockout databases (and security.conf): the service's
// alone, 0600. Existing ones are taken over without being opened by SQLite.
StoreStatus MakeServiceFiles(const Target& target, const std::string& dir) {
  struct Db {
    const char* name;
    std::function<StoreStatus(const std::string&)> make;
  };
  const Db databases[] = {
      {kAccountsDbFile,
       [](const std::string& path) {
         std::unique_ptr<AccountStore> store;
         std::string error;
         if (AccountStore::Open(path, AccountStore::Mode::kCreate, &store, &error) !=
             AccountStore::Status::kOk) {
           return Fail(error);
         }
         return StoreStatus::Ok();
       }},
      {kLockoutDbFile,
       [](const std::string& path) {
         std::unique_ptr<LockoutStore> store;
         return LockoutStore::Open(path, &store);
       }},
  };
  const std::string owner = target.service_user + ":" + ServiceGroupName(target) + ", mode 0600";
  for (const Db& db : databases) {
    const std::string path = dir + "/" + db.name;
    struct stat st;
    const bool existed = lstat(path.c_str(), &st) == 0;
    StoreStatus status = existed ? StoreStatus::Ok() : MakeServiceDb(path, target, db.make);
    if (status.ok()) {
      status = FixNode(path, target.service_uid, target.service_gid, kServiceFileMode, false);
    }
    if (!status.ok()) return status;
    Say(path, std::string(existed ? "taken over by " : "created for ") + owner);
  }
  // The service's settings count only when root wrote them (and nobody
  // else may): root's (in a throwaway root, its owner's, who runs setup),
  // read by the service through its group.
  const std::string config = dir + "/" + kSecurityConfigFile;
  StoreStatus status = FixIfPresent(config, geteuid(), target.service_gid, kServiceConfigMode);
  struct stat st;
  if (status.ok() && lstat(config.c_str(), &st) == 0) {
    Say(config, "root:" + ServiceGroupName(target) + ", mode 0640");
  }
  return status;
}

// compliance.db (with its write-ahead log) and the sealing key: the
// service's alone, like the account and lockout databases. store.conf,
// which names the lab store, is configuration: root's, as security.conf.
StoreStatus MakeStoreFiles(const Target& target, const std::string& dir) {
  StoreStatus status = CheckStoreNames(dir);
  if (!status.ok()) return status;
  const std::string compliance = dir + "/" + kComplianceDbFileName;
  status = ComplianceDb::Create(compliance);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    if (status.ok()) {
      status = FixIfPresent(compliance + suffix, target.service_uid, target.service_gid,
                            kServiceFileMode);
    }
  }
  if (!status.ok()) return status;
  Say(compliance, target.service_user + ":" + ServiceGroupName(target) + ", mode 0600");
  std::vector<const char*> secrets = {kSealKeyFileName, kServiceKeyFileName};
  secrets.insert(secrets.end(), std::begin(kLabStoreCredentialFiles),
                 std::end(kLabStoreCredentialFiles));
  for (const char* name : secrets) {
    const std::string key = dir + "/" + name;
    if (status.ok()) status = FixIfPresent(key, target.service_uid, target.service_gid, kServiceFileMode);
    if (status.ok() && Exists(key)) Say(key, target.service_user + ", mode 0600");
  }
  const std::string store_conf = dir + "/" + kStoreConfigFile;
  if (status.ok()) {
    status = FixIfPresent(store_conf, geteuid(), target.service_gid, kServiceConfigMode);
  }
  if (status.ok() && Exists(store_conf)) Say(store_conf, "root's, mode 0640");
  if (!status.ok()) return status;
  return MakeServiceFiles(target, dir);
}

// Writes a small text file whole (temporary name, sync, rename), root's and
// readable by all.
StoreStatus WriteTextFile(const std::string& path, const std::string& text, const Target& target) {
  StoreStatus status = MakeParents(path);
  if (!status.ok()) return status;
  const std::string temp = path + ".new";
  int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (fd < 0) return FromErrno("cannot create " + temp);
  bool ok = write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
            fchown(fd, target.owner, 0) == 0 && fchmod(fd, 0644) == 0 && fsync(fd) == 0;
  if (!ok) status = FromErrno("cannot write " + temp);
  close(fd);
  if (ok && rename(temp.c_str(), path.c_str()) != 0) {
    status = FromErrno("cannot write " + path);
    ok = false;
  }
  if (!ok) unlink(temp.c_str());
  return status;
}

StoreStatus WriteMachineConfig(const Target& target, const Options& options) {
  const std::string path = target.root + kMachineConfigFile;
  if (options.data_dir_override.empty() && Exists(path)) {
    Say(path, "kept");
    return StoreStatus::Ok();
  }
  const bool allow = options.data_dir_override == "allow";
  StoreStatus status = WriteTextFile(
      path,
      "# The machine's configuration of the TAV security store (made by tavsec setup).\n"
      "# yes lets $TAV_DATA_DIR replace the machine-wide store: for test machines only.\n" +
          std::string(kAllowOverrideKey) + " = " + (allow ? "yes" : "no") + "\n",
      target);
  if (status.ok()) Say(path, std::string(kAllowOverrideKey) + " = " + (allow ? "yes" : "no"));
  return status;
}

// The PAM service that the pam backend names (security.conf, else the
// default); an administrator's own file is kept.
StoreStatus WritePamService(const Target& target, const std::string& dir) {
  SecurityConfig config;
  std::string error;
  if (!LoadSecurityConfig(dir, &config, &error)) config = SecurityConfig();
  const std::string path = target.root + kPamDir + "/" + config.pam_service;
  if (Exists(path)) {
    Say(path, "kept");
    return StoreStatus::Ok();
  }
  StoreStatus status = WriteTextFile(path, kPamServiceText, target);
  if (status.ok()) Say(path, "created");
  return status;
}

// The stealth flag: the group's, 0660. One that somebody else made first
// (to switch it at will, or read-only so that nobody can) is replaced.
StoreStatus MakeStealthFlag(const Target& target) {
  const std::string name = StealthFlag::DefaultName();
  StoreStatus status = WriteTextFile(target.root + kTmpfilesFile,
                                     "# The stealth flag of the TAV suite (made by tavsec setup).\n"
                                     "f /dev/shm" + name + " 0660 root " + target.group + " -\n",
                                     target);
  if (!status.ok()) return status;
  std::string what = "created";
  int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
  if (fd < 0 && errno == EEXIST) {
    fd = shm_open(name.c_str(), O_RDWR | O_NOFOLLOW, 0);
    struct stat st;
    if (fd >= 0 && fstat(fd, &st) == 0 && st.st_uid == target.owner && S_ISREG(st.st_mode)) {
      what = "kept";
    } else {
      char mode[8] = "?";
      if (fd >= 0) std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
      what = "replaced the flag left by uid " + (fd >= 0 ? std::to_string(st.st_uid) : "?") +
             " (mode " + mode + ")";
      if (fd >= 0) close(fd);
      shm_unlink(name.c_str());
      fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW, 0600);
    }
  }
  if (fd < 0) return FromErrno("cannot create the stealth flag " + name);
  if (fchown(fd, target.owner, target.gid) != 0 || fchmod(fd, 0660) != 0) {
    status = FromErrno("cannot set the owner and mode of the stealth flag " + name);
  }
  close(fd);
  if (status.ok()) Say("stealth flag " + name, what + ", mode 0660");
  return status;
}

// Where systemd runs, the service's socket and its password helper's are
// enabled and started, so that the first client starts the service.
StoreStatus StartServiceSocket(const Target& target) {
  struct stat st;
  if (!target.root.empty() || stat(kSystemdRunningDir, &st) != 0) return StoreStatus::Ok();
  for (const char* unit : {kServiceSocketUnit, kPasswordHelperSocketUnit}) {
    if (!RunProgram({"systemctl", "enable", "--now", unit})) {
      return Fail(std::string("systemctl enable --now ") + unit + " failed");
    }
    Say(unit, "enabled and started");
  }
  return StoreStatus::Ok();
}

StoreStatus RunSetup(const Options& options) {
  Target target;
  target.group = options.group;
  if (options.root.empty()) {
    if (geteuid() != 0) return Fail("tavsec setup must run as root");
  } else {
    struct stat st;
    if (options.root[0] != '/' || stat(options.root.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
      return Fail("--root must name an existing folder by its absolute path");
    }
    target.root = options.root;
    while (target.root.size() > 1 && target.root.back() == '/') target.root.pop_back();
    target.owner = st.st_uid;
  }
  std::string dir;
  StoreStatus status = ResolveGroup(&target);
  if (status.ok()) status = ResolveServiceAccount(options, &target);
  if (status.ok()) status = MakeStoreFolder(target, &dir);
  if (status.ok()) status = MakeStoreFiles(target, dir);
  if (status.ok()) status = WriteMachineConfig(target, options);
  if (status.ok()) status = WritePamService(target, dir);
  if (status.ok()) status = MakeStealthFlag(target);
  if (status.ok()) status = StartServiceSocket(target);
  if (status.ok()) {
    std::cout << "Members of the group " << target.group
              << " may now use the store (add one with: usermod -aG " << target.group
              << " USER).\n";
  }
  return status;
}

}  // namespace

void AddSetupCommands(CLI::App& app, Context& context) {
  auto options = std::make_shared<Options>();
  CLI::App* cmd = app.add_subcommand(
      "setup", "Create or repair this machine's security store (as root)");
  cmd->add_option("--root", options->root, "prefix every machine path with this folder");
  cmd->add_option("--group", options->group, "the system group whose members use the store");
  cmd->add_option("--user", options->user,
                  "the service's system account (default tavsecurity; with --root the owner of "
                  "the root)");
  cmd->add_option("--data-dir-override", options->data_dir_override,
                  "allow: TAV_DATA_DIR may replace the store (test machines); deny: it may not")
      ->check(CLI::IsMember({"allow", "deny"}));
  cmd->callback([options, &context] {
    std::cout << "Setting up the security store:\n";
    // Every file gets its mode explicitly; new parent folders get 0755.
    const mode_t old_umask = umask(022);
    StoreStatus status = RunSetup(*options);
    umask(old_umask);
    if (!status.ok()) {
      PrintError("setup", status.message());
      context.exit_code = kExitFailed;
    }
  });
}

}  // namespace tav::tavsec
