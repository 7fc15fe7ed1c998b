// Audit codes: what an audit entry or a system event records. The values
// are written to disk (as their low 16 bits) and shown by the viewers; they
// must not change.
#ifndef TAV_RECORDS_AUDIT_CODE_H_
#define TAV_RECORDS_AUDIT_CODE_H_

#include <cstdint>
#include <string>

namespace tav {

// 32 bits in memory; a stored code reads back as 0..65535. Codes outside
// the table are carried unchanged.
enum AUDITCODE : int32_t {
  kAuditCodeUnset = -1,
  kAuditAddedRecord = 1,
  kAuditChangedRecord = 2,
  kAuditDeletedRecord = 3,
  kAuditCreatedNewFile = 4,
  kAuditCreatedFromFile = 5,
  kAuditFailedLogin = 6,
  kAuditFailedESignature = 7,
  kAuditEnabled21CFR11 = 8,
  kAuditDisabled21CFR11 = 9,
  kAuditSuccessfulLogin = 10,
  // System events of the accounts and logons beyond the ten above
  // (docs/event-log.md). Readers that predate them show the number.
  kAuditLoggedOff = 11,
  kAuditAccountAdded = 12,
  kAuditAccountChanged = 13,
  kAuditAccountLocked = 14,
  kAuditAccountUnlocked = 15,
  kAuditAccountRemoved = 16,
  // A user changed an expired password, or one that had to be changed, at
  // logon; a logon refused because the password was too old.
  kAuditPasswordChanged = 17,
  kAuditPasswordExpired = 18,
  // A signed review of a range of an audit trail (the range and its count
  // in the event's reason; services/filelib/audit_review.h).
  kAuditTrailReviewed = 19,
};

// The highest code that has a name.
inline constexpr int32_t kAuditLastNamedCode = kAuditTrailReviewed;

// "Added Record" ... "Account Removed"; any other code as its decimal
// number ("0", "17", "-1").
std::string GetAuditCodeName(int32_t code);

}  // namespace tav

#endif  // TAV_RECORDS_AUDIT_CODE_H_
