// PamBackend: system accounts, checked by PAM and described by NSS.
//
// Authentication runs pam_authenticate and pam_acct_mgmt on the configured
// service; the account is then looked up with NSS: groups from getgrouplist,
// full name and description from the GECOS field, administrator by membership
// in the configured admin group (or uid 0). Nothing is changed on the system:
// no credentials are set and no session is opened.
//
// Thread safety: as AuthBackend.
#ifndef TAV_SERVICES_SECURITY_PAM_BACKEND_H_
#define TAV_SERVICES_SECURITY_PAM_BACKEND_H_

#include <string>

#include "services/security/auth_backend.h"

namespace tav {

class PamBackend : public AuthBackend {
 public:
  PamBackend(std::string service, std::string admin_group)
      : service_(std::move(service)), admin_group_(std::move(admin_group)) {}

  int Authenticate(const std::string& user_name, std::string_view password,
                   Identity* identity, std::string* detail) override;
  // A user the system's NSS knows.
  bool IsAccount(const std::string& user_name) override;

  // The service's code for a PAM result; `in_account_step` tells whether it
  // came from account management (after the password was accepted). An
  // account that PAM reports locked (PAM_MAXTRIES) or expired gets its own
  // code in either step: the module has decided to say so.
  static int MapPamResult(int pam_result, bool in_account_step);

 private:
  std::string service_;
  std::string admin_group_;
};

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_PAM_BACKEND_H_
