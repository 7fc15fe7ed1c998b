#include "services/security/security_config.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

#include "util/trusted_config.h"
#include "util/data_dir.h"
#include "util/strings.h"

namespace tav {
namespace {

constexpr size_t kMaxConfigBytes = 64 * 1024;

bool IsNameChar(char c, std::string_view extra) {
  return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
         extra.find(c) != std::string_view::npos;
}

bool AllNameChars(std::string_view s, std::string_view extra) {
  for (char c : s) {
    if (!IsNameChar(c, extra)) return false;
  }
  return true;
}

// The service name becomes a file name under /etc/pam.d, so it may not hold
// a '/' or be "." / "..".
bool ValidPamService(std::string_view s) {
  return !s.empty() && s.size() <= 64 && s != "." && s != ".." &&
         AllNameChars(s, "._-");
}

// An absolute path of printable characters (or nothing).
bool ValidSocketPath(std::string_view s) {
  if (s.empty()) return true;
  if (s.front() != '/' || s.size() > 107) return false;
  for (char c : s) {
    if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return false;
  }
  return true;
}

bool ValidGroupName(std::string_view s) {
  return !s.empty() && s.size() <= 256 && AllNameChars(s, "._-$");
}

bool ValidDomain(std::string_view s) {
  return s.size() <= 255 && AllNameChars(s, ".-_");
}

// A whole number of at most `max`, without sign or blanks.
bool ParseCount(std::string_view s, int max, int* out) {
  if (s.empty() || s.size() > 9) return false;
  int value = 0;
  for (char c : s) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + (c - '0');
  }
  if (value > max) return false;
  *out = value;
  return true;
}

// "yes" or "no".
bool ParseSwitch(std::string_view s, bool* out) {
  if (s != "yes" && s != "no") return false;
  *out = s == "yes";
  return true;
}

}  // namespace

bool ParseSecurityConfig(std::string_view text, SecurityConfig* config,
                         std::string* error) {
  std::set<std::string, std::less<>> seen;
  return ForEachSettingLine(text, [&](const SettingLine& line) {
    const std::string_view key = line.key;
    const std::string_view value = line.value;
    auto fail = [&](const std::string& what) {
      *error = std::string(kSecurityConfigFile) + " line " + std::to_string(line.number) + ": " +
               what;
      return false;
    };
    if (!line.has_equals) return fail("expected key = value");
    if (!seen.insert(std::string(key)).second) {
      return fail("\"" + std::string(key) + "\" is given twice");
    }
    if (key == "backend") {
      if (value == "local") {
        config->backend = SecurityConfig::Backend::kLocal;
      } else if (value == "pam") {
        config->backend = SecurityConfig::Backend::kPam;
      } else {
        return fail("backend must be local or pam");
      }
    } else if (key == "pam_service") {
      if (!ValidPamService(value)) return fail("invalid pam_service");
      config->pam_service = value;
    } else if (key == "pam_password_helper") {
      if (!ValidSocketPath(value)) return fail("pam_password_helper must be an absolute path");
      config->pam_password_helper = value;
    } else if (key == "admin_group") {
      if (!ValidGroupName(value)) return fail("invalid admin_group");
      config->admin_group = value;
    } else if (key == "domain") {
      if (!ValidDomain(value)) return fail("invalid domain");
      config->domain = value;
    } else if (key == "lockout_deny") {
      if (!ParseCount(value, 1000, &config->lockout.deny)) {
        return fail("lockout_deny must be a number from 0 (off) to 1000");
      }
    } else if (key == "lockout_interval") {
      if (!ParseCount(value, 7 * 86400, &config->lockout.interval_seconds) ||
          config->lockout.interval_seconds == 0) {
        return fail("lockout_interval must be a number of seconds from 1 to 604800");
      }
    } else if (key == "lockout_unlock_time") {
      if (!ParseCount(value, 7 * 86400, &config->lockout.unlock_seconds)) {
        return fail("lockout_unlock_time must be a number of seconds from 0 (until unlocked) "
                    "to 604800");
      }
    } else if (key == "password_min_length") {
      if (!ParseCount(value, 256, &config->passwords.min_length) ||
          config->passwords.min_length == 0) {
        return fail("password_min_length must be a number from 1 to 256");
      }
    } else if (key == "password_quality") {
      if (!ParseSwitch(value, &config->passwords.quality)) {
        return fail("password_quality must be yes or no");
      }
    } else if (key == "password_history") {
      if (!ParseCount(value, 24, &config->passwords.history)) {
        return fail("password_history must be a number from 0 (none kept) to 24");
      }
    } else if (key == "password_max_age") {
      if (!ParseCount(value, 3650, &config->passwords.max_age_days)) {
        return fail("password_max_age must be a number of days from 0 (never) to 3650");
      }
    } else if (key == "password_warn_age") {
      if (!ParseCount(value, 3650, &config->passwords.warn_days)) {
        return fail("password_warn_age must be a number of days from 0 to 3650");
      }
    } else if (key == "password_change_at_first_logon") {
      if (!ParseSwitch(value, &config->passwords.change_at_first_logon)) {
        return fail("password_change_at_first_logon must be yes or no");
      }
    } else {
      return fail("unknown key \"" + std::string(key) + "\"");
    }
    return true;
  });
}

bool LoadSecurityConfig(const std::string& data_dir, SecurityConfig* config,
                        std::string* error) {
  *config = SecurityConfig();
  config->data_dir = data_dir;
  const std::string path = data_dir + "/" + kSecurityConfigFile;
  TrustedConfigRule rule = ConfigRuleForDataDir(data_dir);
  rule.max_bytes = kMaxConfigBytes;
  std::string text;
  bool present = false;
  const StoreStatus status = ReadTrustedConfig(path, rule, &text, &present);
  if (!status.ok()) {
    *error = status.message();
    return false;
  }
  return !present || ParseSecurityConfig(text, config, error);
}

bool LoadSecurityConfig(SecurityConfig* config, std::string* error) {
  DataDirChoice dir;
  StoreStatus status = LocateDataDir(&dir);
  if (status.ok()) status = MayOpenStoreFiles(dir);
  if (!status.ok()) {
    *error = status.message();
    return false;
  }
  return LoadSecurityConfig(dir.path, config, error);
}

}  // namespace tav
