#include "util/stealth.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstdio>
#include <cstring>
#include <memory>

#include "util/data_dir.h"

namespace tav {
namespace {

constexpr char kDefaultName[] = "TAVStealthModeEvent";
constexpr mode_t kFlagMode = 0666;

bool ValidNameComponent(const char* name) {
  size_t length = std::strlen(name);
  if (length == 0 || length > 200) return false;
  for (size_t i = 0; i < length; ++i) {
    unsigned char c = static_cast<unsigned char>(name[i]);
    if (c == '/' || c < 0x21 || c == 0x7f) return false;
  }
  return std::strcmp(name, ".") != 0 && std::strcmp(name, "..") != 0;
}

// Opens an existing object, read-write when allowed, else read-only.
int OpenExisting(const char* name, bool* writable) {
  int fd = shm_open(name, O_RDWR, 0);
  if (fd >= 0) {
    *writable = true;
    return fd;
  }
  *writable = false;
  return shm_open(name, O_RDONLY, 0);
}

StealthFlag& ProcessFlag() {
  static const std::unique_ptr<StealthFlag> flag =
      StealthFlag::DefaultIsMachineWide()
          ? std::make_unique<StealthFlag>(StealthFlag::DefaultName(), MachineRootOwner())
          : std::make_unique<StealthFlag>(StealthFlag::DefaultName());
  return *flag;
}

// Opening the flag while the program loads makes it exist for the suite's
// other processes from then on, as the named event did.
[[maybe_unused]] const bool kOpenedAtLoad = (ProcessFlag(), true);

}  // namespace

StealthFlag::StealthFlag(const std::string& name) {
  // O_EXCL tells us whether this process created the object, and so may
  // widen its mode past the umask; somebody else's object keeps its mode.
  int fd = shm_open(name.c_str(), O_RDWR | O_CREAT | O_EXCL, kFlagMode);
  bool writable = true;
  if (fd >= 0) {
    fchmod(fd, kFlagMode);
  } else {
    fd = OpenExisting(name.c_str(), &writable);
  }
  if (fd < 0) return;
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    close(fd);
    return;
  }
  Adopt(fd, writable);
}

StealthFlag::StealthFlag(const std::string& name, uid_t trusted_owner) {
  bool writable = false;
  int fd = OpenExisting(name.c_str(), &writable);
  if (fd < 0) {
    problem_ = "the stealth flag " + name +
               (errno == ENOENT ? " does not exist (an administrator runs \"tavsec setup\")"
                                : " cannot be opened: " + std::string(std::strerror(errno)));
    return;
  }
  struct stat st;
  if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    problem_ = "the stealth flag " + name + " is not a shared-memory object";
  } else if (st.st_uid != trusted_owner || (st.st_mode & S_IWOTH) != 0) {
    char mode[8];
    std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
    problem_ = "the stealth flag " + name + " is not trusted (owner uid " +
               std::to_string(st.st_uid) + ", mode " + mode +
               "): it must be root's and closed to other users; an administrator runs "
               "\"tavsec setup\" to make it again";
  } else {
    Adopt(fd, writable);
    return;
  }
  close(fd);
}

void StealthFlag::Adopt(int fd, bool writable) {
  fd_ = fd;
  writable_ = writable;
}

StealthFlag::~StealthFlag() {
  if (fd_ >= 0) close(fd_);
}

bool StealthFlag::Get() const {
  if (fd_ < 0) return false;
  char byte = 0;
  // A short read (an object nobody has written yet) means off.
  return pread(fd_, &byte, 1, 0) == 1 && byte != 0;
}

bool StealthFlag::Set(bool on) {
  if (fd_ < 0 || !writable_) return false;
  const char byte = on ? 1 : 0;
  ssize_t written;
  do {
    written = pwrite(fd_, &byte, 1, 0);
  } while (written < 0 && errno == EINTR);
  return written == 1;
}

std::string StealthFlag::DefaultName() {
  const char* override_name = std::getenv("TAV_STEALTH_NAME");
  if (override_name != nullptr && ValidNameComponent(override_name)) {
    return std::string("/") + override_name;
  }
  return std::string("/") + kDefaultName;
}

bool StealthFlag::DefaultIsMachineWide() {
  return DefaultName() == std::string("/") + kDefaultName;
}

bool IsStealthMode() { return ProcessFlag().Get(); }

std::string StealthModeProblem() { return ProcessFlag().problem(); }

bool SetStealthMode(bool on) { return ProcessFlag().Set(on); }

}  // namespace tav
