// The compliance service's side of the system password helper
// (tavsec-passwd): a service that does not run as root cannot write the
// system's password files, so it hands a user's own change to the helper,
// which runs as root, checks the old password itself and changes it with
// PAM. The request is the protocol's "change password" operation on the
// helper's socket; the reply its code, reason and detail.
//
// Thread safety: each call opens a connection of its own.
#ifndef TAV_SERVICES_SECURITY_PASSWORD_HELPER_CLIENT_H_
#define TAV_SERVICES_SECURITY_PASSWORD_HELPER_CLIENT_H_

#include <string>
#include <string_view>

namespace tav {

// How long the helper may take: PAM waits after a wrong password, and the
// quality checks read a dictionary.
inline constexpr int kPasswordHelperTimeoutMs = 30000;

// 0, or the security service's code for a refusal (1326 for a wrong old
// password, 1325 with the modules' reason in *detail for a new password
// they refuse); kSecBackendUnavailable with why in *detail when the helper
// cannot be reached or answers nonsense.
int ChangePasswordThroughHelper(const std::string& socket_path, const std::string& user_name,
                                std::string_view old_password, std::string_view new_password,
                                std::string* detail);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_PASSWORD_HELPER_CLIENT_H_
