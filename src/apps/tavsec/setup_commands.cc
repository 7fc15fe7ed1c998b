// tavsec setup: makes this machine's security store (docs/deployment.md):
// the machine-wide data directory with its databases, owned by root and the
// store's system group; the machine's configuration; the PAM service file;
// the stealth flag, now and at every boot. Run as root; again at any time
// to put owners and modes right (what exists is kept, never emptied).
//
// With --root DIR every path is DIR followed by its usual path, and nothing
// outside DIR is touched except the stealth flag (which tests rename with
// TAV_STEALTH_NAME); no system group is created, so --group names one that
// exists, and the owner of DIR stands in for root.
#include <fcntl.h>
#include <grp.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "apps/tavsec/commands.h"
#include "apps/tavsec/output.h"
#include "services/filelib/compliance_db.h"
#include "services/security/account_store.h"
#include "services/security/security_config.h"
#include "util/data_dir.h"
#include "util/stealth.h"
#include "util/store_status.h"

extern char** environ;

namespace tav::tavsec {
namespace {

constexpr mode_t kStoreFolderMode = 03770;  // set-group-ID and sticky: see FixFolder
constexpr char kTmpfilesFile[] = "/etc/tmpfiles.d/tavsecurity.conf";
constexpr char kPamDir[] = "/etc/pam.d";
constexpr char kPamServiceText[] =
    "# PAM service of the TAV suite's security library (made by tavsec setup).\n"
    "# Logons and signatures check passwords as the system's own logins do.\n"
    "auth     include common-auth\n"
    "account  include common-account\n";

struct Options {
  std::string root;
  std::string group = kDefaultStoreGroup;
  std::string data_dir_override;  // "", "allow" or "deny"
};

struct Target {
  std::string root;  // "" for the real machine
  uid_t owner = 0;
  gid_t gid = 0;
  std::string group;
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

// The store's group; made with groupadd on the real machine when missing.
StoreStatus ResolveGroup(Target* target) {
  if (LookUpGroup(target->group, &target->gid)) return StoreStatus::Ok();
  if (!target->root.empty()) {
    return Fail("the group " + target->group +
                " does not exist; with --root no group is created: name one that exists with "
                "--group");
  }
  const char* argv[] = {"groupadd", "--system", target->group.c_str(), nullptr};
  pid_t pid = 0;
  if (posix_spawnp(&pid, "groupadd", nullptr, nullptr, const_cast<char* const*>(argv),
                   environ) != 0) {
    return Fail("cannot run groupadd to create the group " + target->group);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 ||
      !LookUpGroup(target->group, &target->gid)) {
    return Fail("groupadd --system " + target->group + " failed");
  }
  Say("group " + target->group, "created (gid " + std::to_string(target->gid) + ")");
  return StoreStatus::Ok();
}

// Gives an existing file or folder its owner, group and mode; refuses links
// and other kinds, which could point the change anywhere.
StoreStatus FixNode(const std::string& path, const Target& target, gid_t gid, mode_t mode,
                    bool folder) {
  int fd = open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC | (folder ? O_DIRECTORY : 0));
  if (fd < 0) return FromErrno("cannot open " + path);
  struct stat st;
  StoreStatus status;
  if (fstat(fd, &st) != 0) {
    status = FromErrno("cannot inspect " + path);
  } else if (folder ? !S_ISDIR(st.st_mode) : !S_ISREG(st.st_mode)) {
    status = Fail(path + " is not a " + (folder ? "folder" : "regular file"));
  } else if (fchown(fd, target.owner, gid) != 0 || fchmod(fd, mode) != 0) {
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

// The store folder: root's, the group's, 3770. Set-group-ID hands the group
// to every file made in it (SQLite's journals too); the sticky bit keeps a
// member from removing or replacing the files that root made (the account
// database, security.conf), which the folder's write right would allow.
StoreStatus MakeStoreFolder(const Target& target, std::string* dir) {
  *dir = target.root + kSystemDataDir;
  StoreStatus status = MakeParents(*dir);
  if (!status.ok()) return status;
  const bool existed = mkdir(dir->c_str(), 0700) != 0;
  if (existed && errno != EEXIST) return FromErrno("cannot create " + *dir);
  status = FixNode(*dir, target, target.gid, kStoreFolderMode, true);
  if (status.ok()) Say(*dir, std::string(existed ? "kept" : "created") + ", mode 3770");
  return status;
}

StoreStatus FixIfPresent(const std::string& path, const Target& target, mode_t mode) {
  struct stat st;
  if (lstat(path.c_str(), &st) != 0 && errno == ENOENT) return StoreStatus::Ok();
  return FixNode(path, target, target.gid, mode, false);
}

// compliance.db: every member appends events, so the group writes (0660).
// accounts.db and security.conf: the members only read them (0640); only
// root changes who may log on and how.
StoreStatus MakeStoreFiles(const Target& target, const std::string& dir) {
  const std::string compliance = dir + "/" + kComplianceDbFileName;
  StoreStatus status = ComplianceDb::Create(compliance);
  for (const char* suffix : {"", "-wal", "-shm"}) {
    if (status.ok()) status = FixIfPresent(compliance + suffix, target, 0660);
  }
  if (!status.ok()) return status;
  Say(compliance, "mode 0660");

  const std::string accounts = dir + "/" + kAccountsDbFile;
  std::unique_ptr<AccountStore> store;
  std::string error;
  if (AccountStore::Open(accounts, AccountStore::Mode::kCreate, &store, &error) !=
      AccountStore::Status::kOk) {
    return Fail(error);
  }
  store.reset();
  status = FixIfPresent(accounts, target, 0640);
  if (status.ok()) status = FixIfPresent(dir + "/" + kSecurityConfigFile, target, 0640);
  if (status.ok()) Say(accounts, "mode 0640");
  return status;
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

bool Exists(const std::string& path) {
  struct stat st;
  return lstat(path.c_str(), &st) == 0;
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
  if (status.ok()) status = MakeStoreFolder(target, &dir);
  if (status.ok()) status = MakeStoreFiles(target, dir);
  if (status.ok()) status = WriteMachineConfig(target, options);
  if (status.ok()) status = WritePamService(target, dir);
  if (status.ok()) status = MakeStealthFlag(target);
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
      std::cerr << "tavsec: setup: " << status.message() << "\n";
      context.exit_code = kExitFailed;
    }
  });
}

}  // namespace tav::tavsec
