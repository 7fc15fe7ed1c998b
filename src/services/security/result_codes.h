// Result codes of the security service and their message texts.
//
// The positive codes are the Windows system error numbers of the same
// meaning, because callers of the service (and stored system events) compare
// them with those numbers: they must not change. docs/security.md lists
// which backend returns which code.
//
// Thread safety: everything here is constant and may be used from any thread.
#ifndef TAV_SERVICES_SECURITY_RESULT_CODES_H_
#define TAV_SERVICES_SECURITY_RESULT_CODES_H_

namespace tav {

inline constexpr int kSecOk = 0;
// The user name was null, empty or only blanks.
inline constexpr int kSecBlankUserName = -1;
// A token handle that is closed, stale or was never handed out.
inline constexpr int kSecInvalidHandle = 6;
// Too many open token handles.
inline constexpr int kSecNotEnoughMemory = 8;
// A required pointer argument was null.
inline constexpr int kSecInvalidParameter = 87;
// The backend could not be reached or is misconfigured (configuration file,
// account database, PAM service). SecurityBackendErrorDetail() says why.
inline constexpr int kSecBackendUnavailable = 1311;
// Wrong user name, wrong password, unknown user or foreign domain: one code
// for all, so that nobody learns which names exist.
inline constexpr int kSecLogonFailure = 1326;
// A new password does not meet the length, quality or history rules of the
// password policy (password_policy.h).
inline constexpr int kSecPasswordRestriction = 1325;
// PAM account management refused the (correctly authenticated) user.
inline constexpr int kSecAccountRestriction = 1327;
// The password has expired: older than the policy's maximum age (local
// backend), or PAM says so.
inline constexpr int kSecPasswordExpired = 1330;
// The account is disabled (local backend).
inline constexpr int kSecAccountDisabled = 1331;
// The account has expired (PAM).
inline constexpr int kSecAccountExpired = 1793;
// The password must be changed before the next logon: set by an
// administrator, or forced (tavsec user expire), or PAM says so.
inline constexpr int kSecPasswordMustChange = 1907;
// Too many failed authentications have locked the account (lockout.h), or
// PAM reports it locked. The password is not checked while the lock lasts.
inline constexpr int kSecAccountLockedOut = 1909;

// The text of a code, one sentence without a line break (callers that append
// more text add their own). Null for a code the service never returns. The
// texts are static and never freed.
const char* SecurityMessageText(int code);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_RESULT_CODES_H_
