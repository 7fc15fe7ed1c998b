#include "records/audit_code.h"

#include <iterator>

#include "util/strings.h"

namespace tav {

std::string GetAuditCodeName(int32_t code) {
  static constexpr const char* kNames[] = {
      "Added Record",     "Changed Record",  "Deleted Record",
      "Created New File", "Created From File", "Failed Login",
      "Failed E-Signature Attempt", "Enabled 21CFR11", "Disabled 21CFR11",
      "Successful Login", "Logged Off",      "Account Added",
      "Account Changed",  "Account Locked",  "Account Unlocked",
      "Account Removed",  "Password Changed", "Password Expired",
      "Audit Trail Reviewed",
  };
  static_assert(std::size(kNames) == kAuditLastNamedCode);
  if (code >= kAuditAddedRecord && code <= kAuditLastNamedCode) return kNames[code - 1];
  return StrFormat("%d", code);
}

}  // namespace tav
