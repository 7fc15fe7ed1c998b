#include "services/security/result_codes.h"

namespace tav {

const char* SecurityMessageText(int code) {
  switch (code) {
    case kSecOk:
      return "The operation completed successfully.";
    case kSecBlankUserName:
      return "The user name is blank.";
    case kSecInvalidHandle:
      return "The handle is invalid.";
    case kSecNotEnoughMemory:
      return "Not enough memory resources are available to process this command.";
    case kSecInvalidParameter:
      return "The parameter is incorrect.";
    case kSecBackendUnavailable:
      return "No logon server is available to service the logon request.";
    case kSecLogonFailure:
      return "Logon failure: unknown user name or bad password.";
    case kSecPasswordRestriction:
      return "Unable to update the password. The value provided for the new password does not "
             "meet the length, complexity, or history requirements of the domain.";
    case kSecAccountRestriction:
      return "Logon failure: account restrictions prevent this user from signing in.";
    case kSecPasswordExpired:
      return "The password for this account has expired.";
    case kSecAccountDisabled:
      return "Logon failure: the account is currently disabled.";
    case kSecAccountExpired:
      return "Logon failure: the account has expired.";
    case kSecPasswordMustChange:
      return "The user's password must be changed before signing in.";
    case kSecAccountLockedOut:
      return "The referenced account is currently locked out and may not be logged on to.";
    default:
      return nullptr;
  }
}

}  // namespace tav
