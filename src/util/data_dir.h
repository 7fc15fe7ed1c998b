// The data directory: the one folder where the suite keeps its per-machine
// state (the account database, the security configuration, settings, the
// event log).
//
// Where it is, first match wins:
//   1. $TAV_DATA_DIR, when set and not empty (every test and demo sets it);
//   2. /var/lib/tavsecurity, for root, and for any other user who may read,
//      write and enter it (an installation creates it for the account that
//      runs the instrument software);
//   3. $XDG_DATA_HOME/tavsecurity, else ~/.local/share/tavsecurity, for a
//      user without access to the machine-wide folder.
//
// Thread safety: both functions may be called from any thread; they read the
// environment, so nobody may change TAV_DATA_DIR while they run.
#ifndef TAV_UTIL_DATA_DIR_H_
#define TAV_UTIL_DATA_DIR_H_

#include <string>

namespace tav {

inline constexpr char kSystemDataDir[] = "/var/lib/tavsecurity";

// The data directory as described above. Does not create it.
std::string DataDir();

// Like DataDir(), and creates the folder (and missing parents, mode 0700:
// it holds security data) when it does not exist. On success stores the path
// in *path and returns true; on failure stores a message in *error.
bool EnsureDataDir(std::string* path, std::string* error);

}  // namespace tav

#endif  // TAV_UTIL_DATA_DIR_H_
