// The conversation the security service holds with PAM's modules: every
// hidden prompt is answered with a password the service was given, never
// with anything typed at a terminal. Shared by logons and password changes,
// in the service and in the system password helper (tavsec-passwd).
//
// Thread safety: one Conversation per PAM transaction.
#ifndef TAV_SERVICES_SECURITY_PAM_CONVERSATION_H_
#define TAV_SERVICES_SECURITY_PAM_CONVERSATION_H_

#include <security/pam_appl.h>

#include <string>
#include <string_view>

namespace tav {

struct PamConversation {
  std::string_view password;
  // For a change, once pam_chauthtok runs: the new password, given to every
  // hidden prompt that does not ask for the current one. Empty before.
  std::string_view new_password;
  // The last error text a module sent (a refusal's reason).
  std::string error_text;
};

// The pam_conv callback over a PamConversation (appdata_ptr). A prompt that
// shows what is typed (or a binary one) cannot be answered without a user,
// so the conversation fails. PAM frees the answers with free(): the copies
// of the passwords handed over belong to PAM from then on.
int ConversePam(int count, const pam_message** messages, pam_response** out, void* data);

// Starts a PAM transaction of `service` for `user`; false, with why in
// *detail, when the service cannot be started.
bool StartPam(const std::string& service, const std::string& user, const pam_conv* conv,
              pam_handle_t** pamh, std::string* detail);

// The service's code for a PAM result; `in_account_step` tells whether it
// came from account management (after the password was accepted). An
// account that PAM reports locked (PAM_MAXTRIES) or expired gets its own
// code in either step: the module has decided to say so.
int MapPamResult(int pam_result, bool in_account_step);

// pam_chauthtok with PAM_CHANGE_EXPIRED_AUTHTOK after the old password was
// checked as a logon checks it (pam_authenticate, pam_acct_mgmt): what the
// modules (pam_unix, pam_pwquality) ask is answered with the old password
// for a prompt that names the current or old one, else with the new one.
// 0, a logon's refusal for a wrong old password, kSecPasswordRestriction
// with the modules' reason in *detail, or kSecBackendUnavailable. Writing
// the system's password files takes root.
int ChangePamPassword(const std::string& service, const std::string& user_name,
                      std::string_view old_password, std::string_view new_password,
                      std::string* detail);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_PAM_CONVERSATION_H_
