// PamBackend: system accounts, checked by PAM and described by NSS.
//
// Authentication runs pam_authenticate and pam_acct_mgmt on the configured
// service; the account is then looked up with NSS: groups from getgrouplist,
// full name and description from the GECOS field, administrator by membership
// in the configured admin group (or uid 0). Nothing is changed on the system:
// no credentials are set and no session is opened.
//
// The system may give a removed user's name to somebody else; records that
// name a user must not then point at two people. So the uid first seen
// under each name is kept (AccountStore::CheckSystemUid, in the account
// database of the data directory), and a logon whose uid differs is refused
// (kSecAccountRestriction) until an administrator confirms the new uid
// (tavsec user confirm-uid).
//
// Thread safety: as AuthBackend.
#ifndef TAV_SERVICES_SECURITY_PAM_BACKEND_H_
#define TAV_SERVICES_SECURITY_PAM_BACKEND_H_

#include <string>

#include "services/security/auth_backend.h"

namespace tav {

class PamBackend : public AuthBackend {
 public:
  // `uid_db_path`: the account database that keeps the uids first seen;
  // empty for no such check. `password_helper`: the socket of the system
  // password helper, for changes when the service does not run as root.
  PamBackend(std::string service, std::string admin_group, std::string uid_db_path = "",
             std::string password_helper = "")
      : service_(std::move(service)),
        admin_group_(std::move(admin_group)),
        uid_db_path_(std::move(uid_db_path)),
        password_helper_(std::move(password_helper)) {}

  int Authenticate(const std::string& user_name, std::string_view password,
                   Identity* identity, std::string* detail) override;
  // The user's own change (ChangePamPassword): made here when the service
  // runs as root, else by the system password helper (tavsec-passwd).
  int ChangePassword(const std::string& user_name, std::string_view old_password,
                     std::string_view new_password, std::string* detail) override;
  // A user the system's NSS knows.
  bool IsAccount(const std::string& user_name) override;

 private:
  std::string service_;
  std::string admin_group_;
  std::string uid_db_path_;
  std::string password_helper_;
};

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_PAM_BACKEND_H_
