// Reading a configuration file that decides security (security.conf,
// store.conf): it counts only when nobody but its trusted owner could have
// written it.
//
// The file is opened without following links and must be a regular file,
// owned by root (or by the user running the process, when the store is a
// private one: a test's or a demo's folder, whose user owns it anyway),
// that neither its group nor others may write. Anything else is refused
// with a message that names the file and says why; it is never adopted,
// and the caller then fails closed.
//
// Thread safety: no state.
#ifndef TAV_UTIL_TRUSTED_CONFIG_H_
#define TAV_UTIL_TRUSTED_CONFIG_H_

#include <sys/stat.h>

#include <cstddef>
#include <string>

#include "util/store_status.h"

namespace tav {

struct TrustedConfigRule {
  // Besides root, the process's effective user may own the file.
  bool process_user_may_own = false;
  size_t max_bytes = 64 * 1024;
};

// Reads `path` into *text. Ok with *present false when there is no file;
// kInvalid (message naming the file and the reason) when it is refused;
// kIOError when it cannot be read. *st (when not null) receives what fstat
// said of the file read.
StoreStatus ReadTrustedConfig(const std::string& path, const TrustedConfigRule& rule,
                              std::string* text, bool* present, struct stat* st = nullptr);

// The rule for the configuration of a data directory: a machine-wide store
// on the real machine trusts root alone.
TrustedConfigRule ConfigRuleFor(bool machine_wide);
// The rule for the configuration files of `data_dir`.
TrustedConfigRule ConfigRuleForDataDir(const std::string& data_dir);

}  // namespace tav

#endif  // TAV_UTIL_TRUSTED_CONFIG_H_
