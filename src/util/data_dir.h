// The data directory: the one folder where the suite keeps its per-machine
// state (the account database, the security configuration, the compliance
// database with settings and event log). docs/deployment.md describes it.
//
// There is one default: the machine-wide store /var/lib/tavsecurity, which
// `tavsec setup` creates for the compliance service's account. Nothing else
// ever creates it, and there is no fallback: when it is missing,
// LocateDataDir fails and the callers fail closed (no logon, no signature,
// every controlled activity refused). Only the service (and root) open its
// files; every other user reaches it through the service, so a store this
// user cannot enter is still the one to use (MayOpenStoreFiles tells a
// caller that would open its files itself).
//
// $TAV_DATA_DIR names another folder explicitly (tests and demos). It is
// honoured only while the machine has no machine-wide store, or when the
// machine's configuration (/etc/tavsecurity/tavsecurity.conf, key
// allow_data_dir_override) allows it; otherwise it is ignored.
//
// Machine paths and a test root: every machine path is the machine root
// followed by its usual absolute path. The root is "" (the real machine)
// unless a test sets one with SetMachineRootForTesting, or $TAV_MACHINE_ROOT
// names one, which is honoured on the same terms as $TAV_DATA_DIR (judged
// against the real machine). Tests and `tavsec setup --root` use it, so that
// nothing of theirs touches /var/lib, /etc or the real stealth flag.
//
// Thread safety: every function may be called from any thread, except
// SetMachineRootForTesting; they read the environment, so nobody may change
// TAV_DATA_DIR or TAV_MACHINE_ROOT while they run.
#ifndef TAV_UTIL_DATA_DIR_H_
#define TAV_UTIL_DATA_DIR_H_

#include <sys/types.h>

#include <string>

#include "util/store_status.h"

namespace tav {

inline constexpr char kSystemDataDir[] = "/var/lib/tavsecurity";
// The machine's configuration of the store (docs/deployment.md).
inline constexpr char kMachineConfigFile[] = "/etc/tavsecurity/tavsecurity.conf";
// Its one key: "yes" lets $TAV_DATA_DIR replace the machine-wide store.
inline constexpr char kAllowOverrideKey[] = "allow_data_dir_override";
// The system group whose members may use the machine-wide store.
inline constexpr char kDefaultStoreGroup[] = "tavsecurity";

struct DataDirChoice {
  std::string path;           // the folder, without a trailing '/'
  bool machine_wide = false;  // false: named by $TAV_DATA_DIR
};

// The machine root ("" for the real machine); see above.
std::string MachineRoot();
// The machine root followed by `absolute_path` (which starts with '/').
std::string MachinePath(const char* absolute_path);

// Makes every machine path start with `root` in this process ("" restores
// the real machine). For tests only.
void SetMachineRootForTesting(const std::string& root);

// True when $TAV_DATA_DIR may replace the machine-wide store under `root`:
// that store does not exist, or the configuration under `root` allows it.
// The configuration counts only when it is owned by the owner of `root`
// ("/": root) and writable by its owner alone.
// Never inside a user namespace (InUserNamespace).
bool DataDirOverrideAllowed(const std::string& root);

// True when the process runs in a user namespace other than the machine's
// (unshare -r, a rootless container): there $TAV_DATA_DIR, $TAV_MACHINE_ROOT
// and $TAV_SOCKET are ignored, so only the machine's store and service count.
bool InUserNamespace();

// The data directory to use, as described above. Creates nothing. Fails
// with kUnavailable and a message for a person (what is missing, what an
// administrator does about it).
StoreStatus LocateDataDir(DataDirChoice* choice);

// Ok when this process may open the files of `choice` itself; otherwise
// kUnavailable with a message for a person: the machine-wide store is the
// compliance service's, and other users go through the service.
StoreStatus MayOpenStoreFiles(const DataDirChoice& choice);

// As LocateDataDir, and creates a missing $TAV_DATA_DIR folder (and its
// parents, mode 0700: it holds security data). Never creates the machine-wide
// store: only `tavsec setup` does.
StoreStatus EnsureDataDir(DataDirChoice* choice);

// The owner of the machine root: the user whose files there are trusted
// (root for the real machine).
uid_t MachineRootOwner();

}  // namespace tav

#endif  // TAV_UTIL_DATA_DIR_H_
