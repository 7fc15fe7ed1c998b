// The system password helper's side (tavsec-passwd): one request of the
// compliance service on a connected socket, served as root. The helper
// grants nothing that the old password does not already grant: it checks
// the old password with PAM as a logon does, on a PAM service of its own
// command line (never one the caller names), and only its configured peer
// may ask. Root's password is never changed here.
//
// Thread safety: one call per connection.
#ifndef TAV_SERVICES_SECURITY_PASSWORD_HELPER_SERVER_H_
#define TAV_SERVICES_SECURITY_PASSWORD_HELPER_SERVER_H_

#include <sys/types.h>

#include <string>

namespace tav {

struct PasswordHelperOptions {
  // The only peer served: the compliance service's account.
  uid_t allowed_uid = static_cast<uid_t>(-1);
  std::string pam_service = "tavsecurity";
};

// Reads one change request from `fd`, answers it and returns the security
// service's code of the answer (0 for a change made). A peer other than
// the allowed one, or a request that does not decode, is answered with the
// protocol's refusal and changes nothing.
int ServePasswordChange(int fd, const PasswordHelperOptions& options);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_PASSWORD_HELPER_SERVER_H_
