// LogonBackend: everything outside the library that logging on touches, the
// security service (authentication, tokens, impersonation, account
// queries) and the system event log, behind one seam.
//
// The default backend asks the compliance service (client/security_proxy.h)
// whenever the process must use it (client/service_client.h: the
// machine-wide store, or $TAV_SOCKET); the service then checks the
// password and records the events itself, under the names it knows. Only
// a private data directory without a service is served in process, by the
// security service (services/security/korwinsec.h) and CSystemEventManager. Tests derive from it to make one step fail (an
// impersonation after a good authentication, say), which the real service
// cannot be made to do on demand.
//
// Threads: the calling thread's; the security service keeps the
// authenticated and the impersonated user per thread.
#ifndef TAV_LOGON_LOGON_BACKEND_H_
#define TAV_LOGON_LOGON_BACKEND_H_

#include <string>
#include <vector>

#include "logon/user_record.h"
#include "services/filelib/store_status.h"

namespace tav {

// Why an attempt is made, which decides the events that record it.
enum class AttemptPurpose {
  // "Successful Login", or "Failed Login" (and "Password Expired" for a
  // password too old, and "Account Locked")
  kLogin,
  // on failure "Failed E-Signature Attempt" (and "Password Expired",
  // "Account Locked")
  kSignature,
};

// One recorded authentication.
struct RecordedAttempt {
  int code = 0;          // the security service's answer: 0, or its error code
  std::string recorded;  // the name the failure's events carry
  StoreStatus event;     // whether its events were stored
};

class LogonBackend {
 public:
  virtual ~LogonBackend() = default;

  // The backend of the process.
  static LogonBackend& Default();

  // False on a machine without a domain (the Domain fields are hidden).
  virtual bool HasDomain();

  // Checks the credentials: 0, -1 for a blank user name, or a system error
  // code (1326: wrong name or password). On 0 the Authentic* queries
  // describe this user.
  virtual int Authenticate(const char* user, const char* domain, const char* password);
  virtual std::string AuthenticFullName();
  virtual std::string AuthenticDescription();
  virtual std::vector<std::string> AuthenticGroups();
  virtual bool AuthenticIsAdmin();
  // When the authenticated user's password expires, and from when the user
  // is to be told (seconds since 1970); 0 and 0 for no expiry.
  virtual void AuthenticPasswordAging(int64_t* expires_at, int64_t* warn_at);

  // Impersonates the user on this thread and stores a new token (now the
  // caller's) in *token. 0 on success; on failure *token is unchanged.
  virtual int ImpersonateUser(const char* user, const char* domain, const char* password,
                              HANDLE* token);
  // Impersonates the owner of `token`, which stays the caller's. 0 on success.
  virtual int ImpersonateFromToken(HANDLE token);
  // Stops impersonating on this thread; closes nothing.
  virtual void RevertToSelf();
  // Stops impersonating, closes *token and sets it to null.
  virtual void EndImpersonation(HANDLE* token);
  // A new token for the same user (maximum access, impersonation level),
  // owned by the caller; null when it cannot be made.
  virtual HANDLE DuplicateToken(HANDLE token);
  // False for a null, closed or unknown token.
  virtual bool CloseToken(HANDLE token);

  // The user this thread impersonates, read in the order account name,
  // full name, description, domain, logon server, groups, administrator.
  virtual UserRecord ImpersonatedUser();

  // Nonzero when the system user running the process is an administrator.
  virtual int IsWindowsUserAdmin();

  // What the record of a failed attempt names for the typed name: the name
  // when it is an account, else "(unknown user)" (a typed name may be a
  // password).
  virtual std::string RecordedUserName(const std::string& typed);
  // True when the last authentication of this thread locked its account.
  virtual bool LastAttemptLockedAccount();

  // Authenticates and records the attempt's events as one step: with the
  // compliance service, one call; in process, Authenticate and then
  // AddSystemEvent for each event. On 0 the Authentic* queries describe the
  // user. A user name with a control character fails with 1326 unchecked
  // and is recorded as "(unknown user)".
  virtual RecordedAttempt AuthenticateAndRecord(AttemptPurpose purpose, const char* user,
                                                const char* domain, const char* password);

  // The user's own change of a password that has expired (1330) or must be
  // changed (1907), recorded as one step: "Password Changed", or for a
  // wrong old password "Failed Login" (and "Account Locked"). A new
  // password that breaks a rule (1325) changes nothing and is a "Failed
  // Login" too; the rule's reason is in *reason.
  virtual RecordedAttempt ChangePassword(const char* user, const char* domain,
                                         const char* old_password, const char* new_password,
                                         std::string* reason);

  // Records that the owner of `token` (still open) logs off.
  virtual StoreStatus RecordLogoff(HANDLE token, const std::string& user_name);

  // Writes a system event (an AUDITCODE) for the user name as typed. Ok
  // once the event is on disk; otherwise why it could not be stored, and
  // the attempt that it records is refused (logon/unrecorded_event.h).
  virtual StoreStatus AddSystemEvent(int code, const std::string& user_name);
};

}  // namespace tav

#endif  // TAV_LOGON_LOGON_BACKEND_H_
