#include "services/security/pam_conversation.h"

#include <sodium.h>

#include <cstdlib>
#include <cstring>

#include "services/security/result_codes.h"

namespace tav {
namespace {

bool AsksForOldPassword(const char* prompt) {
  if (prompt == nullptr) return false;
  std::string text(prompt);
  for (char& c : text) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return text.find("current") != std::string::npos || text.find("old") != std::string::npos;
}

void FreeResponses(pam_response* responses, int count) {
  for (int i = 0; i < count; ++i) {
    if (responses[i].resp != nullptr) {
      sodium_memzero(responses[i].resp, std::strlen(responses[i].resp));
      std::free(responses[i].resp);
    }
  }
  std::free(responses);
}

}  // namespace

int ConversePam(int count, const pam_message** messages, pam_response** out, void* data) {
  if (count <= 0 || count > PAM_MAX_NUM_MSG || out == nullptr) return PAM_CONV_ERR;
  auto* conversation = static_cast<PamConversation*>(data);
  auto* responses =
      static_cast<pam_response*>(std::calloc(static_cast<size_t>(count), sizeof(pam_response)));
  if (responses == nullptr) return PAM_BUF_ERR;
  for (int i = 0; i < count; ++i) {
    switch (messages[i]->msg_style) {
      case PAM_PROMPT_ECHO_OFF: {
        std::string_view password =
            conversation->new_password.empty() || AsksForOldPassword(messages[i]->msg)
                ? conversation->password
                : conversation->new_password;
        char* copy = static_cast<char*>(std::malloc(password.size() + 1));
        if (copy == nullptr) {
          FreeResponses(responses, count);
          return PAM_BUF_ERR;
        }
        std::memcpy(copy, password.data(), password.size());
        copy[password.size()] = '\0';
        responses[i].resp = copy;
        break;
      }
      case PAM_ERROR_MSG:
        if (messages[i]->msg != nullptr) conversation->error_text = messages[i]->msg;
        break;
      case PAM_TEXT_INFO:
        break;
      default:
        FreeResponses(responses, count);
        return PAM_CONV_ERR;
    }
  }
  *out = responses;
  return PAM_SUCCESS;
}

bool StartPam(const std::string& service, const std::string& user, const pam_conv* conv,
              pam_handle_t** pamh, std::string* detail) {
  *pamh = nullptr;
  const int rc = pam_start(service.c_str(), user.c_str(), conv, pamh);
  if (rc == PAM_SUCCESS) return true;
  *detail = "PAM service \"" + service + "\" cannot be started: " + pam_strerror(*pamh, rc);
  if (*pamh != nullptr) pam_end(*pamh, rc);
  return false;
}

int MapPamResult(int pam_result, bool in_account_step) {
  switch (pam_result) {
    case PAM_SUCCESS:
      return kSecOk;
    case PAM_AUTH_ERR:
    case PAM_USER_UNKNOWN:
    case PAM_CRED_INSUFFICIENT:
      return kSecLogonFailure;
    // A module that locks accounts (pam_faillock, pam_tally2) refuses a
    // locked one with this; the user is told why, as the module intends.
    case PAM_MAXTRIES:
      return kSecAccountLockedOut;
    case PAM_ACCT_EXPIRED:
      return kSecAccountExpired;
    // These say something about the account. Before the password has been
    // accepted they must not tell a stranger more than "wrong".
    case PAM_PERM_DENIED:
      return in_account_step ? kSecAccountRestriction : kSecLogonFailure;
    case PAM_NEW_AUTHTOK_REQD:
      return in_account_step ? kSecPasswordMustChange : kSecLogonFailure;
    case PAM_AUTHTOK_EXPIRED:
      return in_account_step ? kSecPasswordExpired : kSecLogonFailure;
    default:
      return kSecBackendUnavailable;
  }
}

int ChangePamPassword(const std::string& service, const std::string& user_name,
                      std::string_view old_password, std::string_view new_password,
                      std::string* detail) {
  PamConversation conversation{old_password, {}, {}};
  pam_conv conv{&ConversePam, &conversation};
  pam_handle_t* pamh = nullptr;
  if (!StartPam(service, user_name, &conv, &pamh, detail)) return kSecBackendUnavailable;
  // The old password first, as a logon checks it: a stranger learns
  // nothing more than "wrong".
  int rc = pam_authenticate(pamh, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  bool authenticated = rc == PAM_SUCCESS;
  if (authenticated) {
    rc = pam_acct_mgmt(pamh, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
    // Account management may say the password must change: that is why
    // we are here.
    if (rc == PAM_NEW_AUTHTOK_REQD || rc == PAM_AUTHTOK_EXPIRED) rc = PAM_SUCCESS;
  }
  if (rc == PAM_SUCCESS) {
    conversation.error_text.clear();
    conversation.new_password = new_password;
    rc = pam_chauthtok(pamh, PAM_CHANGE_EXPIRED_AUTHTOK);
  }
  std::string pam_text = pam_strerror(pamh, rc);
  pam_end(pamh, rc);
  if (!authenticated) {
    int code = MapPamResult(rc, false);
    if (code == kSecBackendUnavailable) *detail = "PAM service \"" + service + "\": " + pam_text;
    return code;
  }
  switch (rc) {
    case PAM_SUCCESS:
      return kSecOk;
    // The modules refused the new password; their message says why.
    case PAM_AUTHTOK_ERR:
    case PAM_AUTHTOK_RECOVERY_ERR:
    case PAM_AUTHTOK_LOCK_BUSY:
    case PAM_AUTHTOK_DISABLE_AGING:
    case PAM_TRY_AGAIN:
    case PAM_PERM_DENIED:
      *detail = !conversation.error_text.empty() ? conversation.error_text : pam_text;
      return kSecPasswordRestriction;
    default: {
      int code = MapPamResult(rc, true);
      if (code == kSecBackendUnavailable) {
        *detail = "PAM service \"" + service + "\": " + pam_text;
      }
      return code;
    }
  }
}

}  // namespace tav
