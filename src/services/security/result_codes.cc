#include "services/security/result_codes.h"

#include "util/shown_text.h"

namespace tav {

const char* SecurityMessageText(int code) {
  switch (code) {
    case kSecOk:
      return TAV_TR_NOOP("tav::SecurityMessages", "The operation completed successfully.");
    case kSecBlankUserName:
      return TAV_TR_NOOP("tav::SecurityMessages", "The user name is blank.");
    case kSecInvalidHandle:
      return TAV_TR_NOOP("tav::SecurityMessages", "The handle is invalid.");
    case kSecNotEnoughMemory:
      return TAV_TR_NOOP("tav::SecurityMessages",
                         "Not enough memory resources are available to process this command.");
    case kSecInvalidParameter:
      return TAV_TR_NOOP("tav::SecurityMessages", "The parameter is incorrect.");
    case kSecBackendUnavailable:
      return TAV_TR_NOOP("tav::SecurityMessages",
                         "No logon server is available to service the logon request.");
    case kSecLogonFailure:
      return TAV_TR_NOOP("tav::SecurityMessages",
                         "Logon failure: unknown user name or bad password.");
    case kSecPasswordRestriction:
      return TAV_TR_NOOP(
          "tav::SecurityMessages",
          "Unable to update the password. The value provided for the new password does not "
          "meet the length, complexity, or history requirements of the domain.");
    case kSecAccountRestriction:
      return TAV_TR_NOOP("tav::SecurityMessages",
                         "Logon failure: account restrictions prevent this user from signing in.");
    case kSecPasswordExpired:
      return TAV_TR_NOOP("tav::SecurityMessages", "The password for this account has expired.");
    case kSecAccountDisabled:
      return TAV_TR_NOOP("tav::SecurityMessages",
                         "Logon failure: the account is currently disabled.");
    case kSecAccountExpired:
      return TAV_TR_NOOP("tav::SecurityMessages", "Logon failure: the account has expired.");
    case kSecPasswordMustChange:
      return TAV_TR_NOOP("tav::SecurityMessages",
                         "The user's password must be changed before signing in.");
    case kSecAccountLockedOut:
      return TAV_TR_NOOP(
          "tav::SecurityMessages",
          "The referenced account is currently locked out and may not be logged on to.");
    default:
      return nullptr;
  }
}

}  // namespace tav
