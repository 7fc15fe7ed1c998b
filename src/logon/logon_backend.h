// LogonBackend: everything outside the library that logging on touches, the
// security service (authentication, tokens, impersonation, account
// queries) and the system event log, behind one seam.
//
// The default backend forwards to the security service
// (services/security/korwinsec.h) and writes events with
// CSystemEventManager. Tests derive from it to make one step fail (an
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

  // Writes a system event (an AUDITCODE) for the user name as typed. Ok
  // once the event is on disk; otherwise why it could not be stored, and
  // the attempt that it records is refused (logon/unrecorded_event.h).
  virtual StoreStatus AddSystemEvent(int code, const std::string& user_name);
};

}  // namespace tav

#endif  // TAV_LOGON_LOGON_BACKEND_H_
