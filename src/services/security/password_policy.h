// The password policy's checks of a new password that need no stored
// hashes: its length, and its quality through libpwquality (the library
// behind pam_pwquality): dictionary words, too many repeated characters,
// likeness to the user name or the old password. History and aging need
// the account store (account_store.h) and are checked there.
//
// libpwquality runs on its built-in defaults plus the settings below;
// /etc/security/pwquality.conf is not read, so that the rules of these
// accounts are all in security.conf.
//
// Thread safety: no state; any thread.
#ifndef TAV_SERVICES_SECURITY_PASSWORD_POLICY_H_
#define TAV_SERVICES_SECURITY_PASSWORD_POLICY_H_

#include <string>
#include <string_view>

#include "services/security/security_config.h"

namespace tav {

// True when `password` may become the password of `user_name`; otherwise
// false with the reason, one sentence for the person choosing it, in
// *reason. `old_password` (may be empty) is the one being replaced, when
// known. The password itself never appears in the reason.
bool MeetsPasswordPolicy(const PasswordPolicy& policy, std::string_view user_name,
                         std::string_view password, std::string_view old_password,
                         std::string* reason);

// The policy as lines of "name: value" for a person (tavsec status).
std::string DescribePasswordPolicy(const PasswordPolicy& policy);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_PASSWORD_POLICY_H_
