// Gives the test program a stealth flag of its own, so that switching
// stealth mode in a test never silences (or unsilences) another program on
// the machine.
//
// The flag's name is read while the program loads, possibly by a shared
// library before any code of the program runs; so when TAV_STEALTH_NAME is
// not set yet, the program sets it and starts itself again. The flag is
// removed when the program ends (a program that ends through _exit or a
// signal leaves it behind).
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The name is kept as the program starts: a test may change or unset the
// variable later, and the flag must still go.
char g_owned_flag[64];
pid_t g_owner = 0;

void RemoveFlag() {
  // A forked child that exits runs this too: the flag is not its own.
  if (g_owned_flag[0] != '\0' && getpid() == g_owner) shm_unlink(g_owned_flag);
}

__attribute__((constructor(101))) void UsePrivateStealthFlag(int /*argc*/, char** argv) {
  if (std::getenv("TAV_STEALTH_NAME") == nullptr) {
    std::string name = "tav_stealth_test_" + std::to_string(getpid());
    setenv("TAV_STEALTH_NAME", name.c_str(), 1);
    setenv("TAV_STEALTH_NAME_OWNED", name.c_str(), 1);
    execv("/proc/self/exe", argv);
    std::perror("execv /proc/self/exe");
    std::_Exit(127);
  }
  // Only a flag this program named is this program's to remove; programs it
  // starts inherit the name, not the ownership.
  const char* owned = std::getenv("TAV_STEALTH_NAME_OWNED");
  const char* name = std::getenv("TAV_STEALTH_NAME");
  if (owned != nullptr && std::strcmp(owned, name) == 0 &&
      std::snprintf(g_owned_flag, sizeof g_owned_flag, "/%s", name) < int{sizeof g_owned_flag}) {
    unsetenv("TAV_STEALTH_NAME_OWNED");
    g_owner = getpid();
    std::atexit(RemoveFlag);
  } else {
    g_owned_flag[0] = '\0';
  }
}

}  // namespace
