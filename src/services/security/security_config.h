// SecurityConfig: how the security service is set up on this machine.
//
// Read from "security.conf" in the data directory (util/data_dir.h): lines of
// `key = value`, blank lines, and comment lines starting with '#'. A missing
// file means every default. The format and the keys are written up in
// docs/security.md. A file that cannot be read, an unknown or repeated key or
// a bad value makes the whole configuration invalid: the service then fails
// closed (result 1311) rather than guess.
//
// Thread safety: plain value type; the functions keep no state.
#ifndef TAV_SERVICES_SECURITY_SECURITY_CONFIG_H_
#define TAV_SERVICES_SECURITY_SECURITY_CONFIG_H_

#include <string>
#include <string_view>

namespace tav {

inline constexpr char kSecurityConfigFile[] = "security.conf";
inline constexpr char kAccountsDbFile[] = "accounts.db";

// When repeated failures lock an account (services/security/lockout.h). The
// defaults are those of pam_faillock.
struct LockoutPolicy {
  // Failures within the interval that lock the account; 0 turns locking off.
  int deny = 3;
  // Seconds over which failures are counted.
  int interval_seconds = 15 * 60;
  // Seconds an account stays locked; 0 means until an administrator unlocks it.
  int unlock_seconds = 10 * 60;
};

// The rules for the local backend's passwords (password_policy.h). The
// defaults are the site policy a regulated lab is audited against.
struct PasswordPolicy {
  // Fewest characters (bytes) a new password has.
  int min_length = 12;
  // Checks through libpwquality: dictionary words, repeated characters,
  // likeness to the user name.
  bool quality = true;
  // A new password may be none of the last this many (the current one
  // counts); only their hashes are kept. 0 keeps none.
  int history = 5;
  // Days a password lasts; 0 means it never expires.
  int max_age_days = 90;
  // Days before the expiry from which a logon is told of it.
  int warn_days = 14;
  // A new account's password, and one an administrator sets, must be
  // changed at the account's next logon.
  bool change_at_first_logon = true;
};

struct SecurityConfig {
  enum class Backend { kLocal, kPam };

  Backend backend = Backend::kLocal;
  // PAM service, the name of a file in /etc/pam.d.
  std::string pam_service = "tavsecurity";
  // The socket of the system password helper (tavsec-passwd), which
  // changes a system account's password for a service that does not run
  // as root; empty for none.
  std::string pam_password_helper = "/run/tavsecurity/passwd.sock";
  // Members of this system group are administrators (pam backend, and the
  // system user running the process).
  std::string admin_group = "sudo";
  // The domain name; empty means no domain.
  std::string domain;
  // The folder the configuration was read from; the local backend keeps its
  // database there.
  std::string data_dir;
  LockoutPolicy lockout;
  PasswordPolicy passwords;
};

// Parses the text of a configuration file into *config (whose fields start
// from their defaults). On failure returns false and describes the first
// problem, with its line number, in *error.
bool ParseSecurityConfig(std::string_view text, SecurityConfig* config,
                         std::string* error);

// Reads `data_dir`/security.conf; a missing file gives the defaults.
bool LoadSecurityConfig(const std::string& data_dir, SecurityConfig* config,
                        std::string* error);

// As LoadSecurityConfig for the data directory of util/data_dir.h. Fails,
// with the reason in *error, when there is no usable data directory: the
// service then refuses every logon (1311).
bool LoadSecurityConfig(SecurityConfig* config, std::string* error);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_SECURITY_CONFIG_H_
