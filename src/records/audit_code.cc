#include "records/audit_code.h"

#include "util/strings.h"

namespace tav {

std::string GetAuditCodeName(int32_t code) {
  static constexpr const char* kNames[] = {
      "Added Record",     "Changed Record",  "Deleted Record",
      "Created New File", "Created From File", "Failed Login",
      "Failed E-Signature Attempt", "Enabled 21CFR11", "Disabled 21CFR11",
      "Successful Login",
  };
  if (code >= kAuditAddedRecord && code <= kAuditSuccessfulLogin) return kNames[code - 1];
  return StrFormat("%d", code);
}

}  // namespace tav
