// Stealth mode: a machine-wide switch that silences the suite's message boxes.
//
// The switch is a POSIX shared-memory object, "/TAVStealthModeEvent", whose
// first byte is the flag (nonzero: on; missing or zero: off). Every process
// of the suite opens the same object, so switching it in one process changes
// the answer in all of them at once.
//
// The machine-wide flag belongs to the store's group: `tavsec setup` makes
// it (owner root, group tavsecurity, mode 0660) and a tmpfiles.d entry makes
// it again at every boot. The library never creates it, and trusts it only
// while it is owned by the machine root's owner (root) and not writable by
// other users; otherwise it reads as off, switching it fails, and problem()
// says why, so that nobody outside the group can silence the suite or lock
// the switch by creating the object first.
//
// The environment variable TAV_STEALTH_NAME replaces the name (one path
// component, no '/'), which lets tests and parallel test runs use a flag of
// their own: such a private flag is created when missing, mode 0666.
//
// The flag is read and written with pread/pwrite on the object, never mapped:
// a process that truncates the shared object cannot crash the others, and a
// read never blocks.
//
// Thread safety: every function and every StealthFlag member may be called
// from any thread.
#ifndef TAV_UTIL_STEALTH_H_
#define TAV_UTIL_STEALTH_H_

#include <sys/types.h>

#include <string>

namespace tav {

// True while stealth mode is on. False when the flag could be neither created
// nor opened.
bool IsStealthMode();

// Switches stealth mode on or off for the whole machine. Returns false when
// the flag could not be written (it was not opened, or only for reading).
// Nothing in the library calls it; tavsec and other programs do.
bool SetStealthMode(bool on);

// One opened flag object. The process-wide flag behind IsStealthMode() is
// opened while the program loads and closed when it unloads.
class StealthFlag {
 public:
  // A private flag: creates the shared object `name` (a POSIX shm name such
  // as "/tav_test_flag"), or opens it when it exists. Never fails: when
  // neither works, valid() is false and the flag reads as off.
  explicit StealthFlag(const std::string& name);
  // A machine-wide flag: opens `name` only when it exists, and keeps it only
  // when it is owned by `trusted_owner` and not writable by others.
  StealthFlag(const std::string& name, uid_t trusted_owner);
  ~StealthFlag();

  StealthFlag(const StealthFlag&) = delete;
  StealthFlag& operator=(const StealthFlag&) = delete;

  bool valid() const { return fd_ >= 0; }
  bool writable() const { return writable_; }

  // Why the flag is not valid (missing, not trusted); empty when it is.
  const std::string& problem() const { return problem_; }

  bool Get() const;
  bool Set(bool on);

  // "/TAVStealthModeEvent", or "/" + $TAV_STEALTH_NAME when that is a valid
  // name.
  static std::string DefaultName();
  // True when DefaultName() is the machine-wide flag (no valid
  // TAV_STEALTH_NAME).
  static bool DefaultIsMachineWide();

 private:
  void Adopt(int fd, bool writable);

  int fd_ = -1;
  bool writable_ = false;
  std::string problem_;
};

// The process-wide flag behind IsStealthMode(): why it is not usable, or
// empty.
std::string StealthModeProblem();

}  // namespace tav

#endif  // TAV_UTIL_STEALTH_H_
