#include "services/security/pam_backend.h"

#include <security/pam_appl.h>
#include <syslog.h>
#include <unistd.h>

#include <memory>

#include "services/security/account_store.h"
#include "services/security/pam_conversation.h"
#include "services/security/password_helper_client.h"
#include "services/security/result_codes.h"
#include "services/security/unix_accounts.h"
#include "util/auth_syslog.h"

namespace tav {
int PamBackend::Authenticate(const std::string& user_name, std::string_view password,
                             Identity* identity, std::string* detail) {
  PamConversation conversation{password, {}, {}};
  pam_conv conv{&ConversePam, &conversation};
  pam_handle_t* pamh = nullptr;
  if (!StartPam(service_, user_name, &conv, &pamh, detail)) return kSecBackendUnavailable;
  int rc = pam_authenticate(pamh, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  bool in_account_step = false;
  if (rc == PAM_SUCCESS) {
    in_account_step = true;
    rc = pam_acct_mgmt(pamh, PAM_SILENT | PAM_DISALLOW_NULL_AUTHTOK);
  }
  // A module may have mapped the typed name to the account's own name.
  std::string account_name = user_name;
  const void* item = nullptr;
  if (rc == PAM_SUCCESS && pam_get_item(pamh, PAM_USER, &item) == PAM_SUCCESS &&
      item != nullptr && *static_cast<const char*>(item) != '\0') {
    account_name = static_cast<const char*>(item);
  }
  std::string pam_text = pam_strerror(pamh, rc);
  pam_end(pamh, rc);  // wipes PAM's copy of the password

  int code = MapPamResult(rc, in_account_step);
  if (code == kSecBackendUnavailable) {
    *detail = "PAM service \"" + service_ + "\": " + pam_text;
  }
  if (code != kSecOk) return code;

  UnixUser user;
  if (!LookUpUnixUser(account_name, &user)) {
    *detail = "PAM accepted \"" + account_name + "\", but the system knows no such user";
    return kSecBackendUnavailable;
  }
  if (!uid_db_path_.empty()) {
    std::unique_ptr<AccountStore> store;
    bool same = false;
    int64_t recorded = 0;
    if (AccountStore::Open(uid_db_path_, AccountStore::Mode::kCreate, &store, detail) !=
            AccountStore::Status::kOk ||
        store->CheckSystemUid(user.name, static_cast<int64_t>(user.uid), 0, &same, &recorded,
                              detail) != AccountStore::Status::kOk) {
      *detail = "cannot check the uid of \"" + user.name + "\": " + *detail;
      return kSecBackendUnavailable;
    }
    if (!same) {
      AuthSyslog(LOG_WARNING, "logon refused: system user " + user.name + " has uid " +
                                  std::to_string(user.uid) + ", first seen with uid " +
                                  std::to_string(recorded) +
                                  "; an administrator must confirm it (tavsec user confirm-uid)");
      return kSecAccountRestriction;
    }
  }
  identity->user_name = user.name;
  SplitGecos(user.gecos, &identity->full_name, &identity->description);
  identity->groups = UnixGroupNames(user);
  identity->is_admin = IsUnixAdmin(user, identity->groups, admin_group_);
  return kSecOk;
}

int PamBackend::ChangePassword(const std::string& user_name, std::string_view old_password,
                               std::string_view new_password, std::string* detail) {
  // pam_unix writes the system's password files only as root.
  if (::geteuid() == 0) {
    return ChangePamPassword(service_, user_name, old_password, new_password, detail);
  }
  if (password_helper_.empty()) {
    *detail = "the service does not run as root and no system password helper is configured "
              "(pam_password_helper)";
    return kSecBackendUnavailable;
  }
  return ChangePasswordThroughHelper(password_helper_, user_name, old_password, new_password,
                                     detail);
}

bool PamBackend::IsAccount(const std::string& user_name) {
  UnixUser user;
  return LookUpUnixUser(user_name, &user);
}

}  // namespace tav
