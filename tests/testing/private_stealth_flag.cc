// Gives the test program a stealth flag of its own, so that switching
// stealth mode in a test never silences (or unsilences) another program on
// the machine.
//
// The flag's name is read while the program loads, possibly by a shared
// library before any code of the program runs; so when TAV_STEALTH_NAME is
// not set yet, the program sets it and starts itself again. The flag is
// removed when the program ends.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

void RemoveFlag() {
  const char* name = std::getenv("TAV_STEALTH_NAME");
  if (name != nullptr) shm_unlink(("/" + std::string(name)).c_str());
}

__attribute__((constructor(101))) void UsePrivateStealthFlag(int /*argc*/, char** argv) {
  if (std::getenv("TAV_STEALTH_NAME") == nullptr) {
    std::string name = "tav_stealth_test_" + std::to_string(getpid());
    setenv("TAV_STEALTH_NAME", name.c_str(), 1);
    setenv("TAV_STEALTH_NAME_OWNED", "1", 1);
    execv("/proc/self/exe", argv);
    std::perror("execv /proc/self/exe");
    std::_Exit(127);
  }
  // Only a flag this program named is this program's to remove.
  if (std::getenv("TAV_STEALTH_NAME_OWNED") != nullptr) std::atexit(RemoveFlag);
}

}  // namespace
