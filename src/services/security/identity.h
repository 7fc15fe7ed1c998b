// Identity: what the security service knows about an authenticated user.
//
// A backend fills one on a successful authentication; tokens and the
// per-thread impersonation share it read-only (std::shared_ptr<const
// Identity>), so it never changes after it is made and any thread may read it.
// It never holds a password.
#ifndef TAV_SERVICES_SECURITY_IDENTITY_H_
#define TAV_SERVICES_SECURITY_IDENTITY_H_

#include <cstdint>
#include <string>
#include <vector>

namespace tav {

struct Identity {
  std::string user_name;     // as the backend spells it, not as typed
  std::string domain;        // the configured domain; empty when none
  std::string logon_server;  // the host that authenticated the user
  std::string full_name;
  std::string description;
  std::vector<std::string> groups;  // in the backend's order
  bool is_admin = false;
  // When the password expires (seconds since the epoch); 0 for never or
  // not known (pam backend).
  int64_t password_expires_at = 0;
  // From when a logon is told that the password will expire (the policy's
  // warning period); 0 with no expiry.
  int64_t password_warn_at = 0;
};

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_IDENTITY_H_
