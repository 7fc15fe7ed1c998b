// Stealth mode: a machine-wide switch that silences the suite's message boxes.
//
// The switch is a POSIX shared-memory object, "/TAVStealthModeEvent", whose
// first byte is the flag (nonzero: on; missing or zero: off). Every process
// of the suite opens the same object, so switching it in one process changes
// the answer in all of them at once. The object is created mode 0666 so that
// every local user can read and switch it. The environment variable
// TAV_STEALTH_NAME replaces the name (one path component, no '/'), which
// lets tests and parallel test runs use a flag of their own.
//
// The flag is read and written with pread/pwrite on the object, never mapped:
// a process that truncates the shared object cannot crash the others, and a
// read never blocks.
//
// Thread safety: every function and every StealthFlag member may be called
// from any thread.
#ifndef TAV_UTIL_STEALTH_H_
#define TAV_UTIL_STEALTH_H_

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
  // Creates the shared object `name` (a POSIX shm name such as
  // "/TAVStealthModeEvent"), or opens it when it exists. Never fails: when
  // neither works, valid() is false and the flag reads as off.
  explicit StealthFlag(const std::string& name);
  ~StealthFlag();

  StealthFlag(const StealthFlag&) = delete;
  StealthFlag& operator=(const StealthFlag&) = delete;

  bool valid() const { return fd_ >= 0; }
  bool writable() const { return writable_; }

  bool Get() const;
  bool Set(bool on);

  // "/TAVStealthModeEvent", or "/" + $TAV_STEALTH_NAME when that is a valid
  // name.
  static std::string DefaultName();

 private:
  int fd_ = -1;
  bool writable_ = false;
};

}  // namespace tav

#endif  // TAV_UTIL_STEALTH_H_
