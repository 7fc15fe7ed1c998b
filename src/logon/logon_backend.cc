#include "logon/logon_backend.h"

#include "client/account_proxy.h"
#include "client/security_proxy.h"
#include "client/service_client.h"
#include "records/audit_code.h"
#include "services/filelib/acting_user.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/korwinsec.h"
#include "util/strings.h"

namespace tav {

namespace {

// Reads one string query of the security service: the length with a null
// buffer, then the value into a buffer of that length plus one. No value
// (a length of 0 or less) reads as "".
template <typename Query>
std::string ReadString(Query query) {
  int length = query(nullptr, 0);
  if (length <= 0) return {};
  std::string value(static_cast<size_t>(length) + 1, '\0');
  if (query(value.data(), length + 1) != length) return {};
  value.resize(static_cast<size_t>(length));
  return value;
}

// The account the thread impersonates through the service, for the records
// that the process still makes itself (services/filelib/acting_user.h).
std::string ServiceImpersonatedAccount() {
  protocol::WireUser user;
  return client::ImpersonatedUser(&user) ? user.user_name : std::string();
}

bool Remote() {
  if (!UsesComplianceService()) return false;
  SetImpersonatedAccountSource(&ServiceImpersonatedAccount);
  return true;
}

UserRecord FromWire(const protocol::WireUser& wire) {
  UserRecord user;
  user.user_name = wire.user_name;
  user.domain = wire.domain;
  user.logon_server = wire.logon_server;
  user.full_name = wire.full_name;
  user.description = wire.description;
  user.is_admin = wire.is_admin ? 1 : 0;
  for (const std::string& group : wire.groups) user.groups.push_back(group);
  return user;
}

constexpr int kLogonFailure = 1326;
constexpr int kPasswordExpired = 1330;

}  // namespace

LogonBackend& LogonBackend::Default() {
  static LogonBackend backend;
  return backend;
}

bool LogonBackend::HasDomain() {
  if (Remote()) {
    std::string domain;
    return client::GetDomain(&domain);
  }
  return KorWinSec_aGetWindowsDomain(nullptr, 0) != -1;
}

int LogonBackend::Authenticate(const char* user, const char* domain, const char* password) {
  if (Remote()) {
    const protocol::AuthenticateReply reply =
        client::Authenticate(protocol::AuthPurpose::kCheck, user, domain, password);
    SetSecurityBackendErrorDetail(client::LastBackendDetail());
    return static_cast<int>(reply.code);
  }
  return KorWinSec_aAuthenticateUser(user, domain, password);
}

RecordedAttempt LogonBackend::AuthenticateAndRecord(AttemptPurpose purpose, const char* user,
                                                    const char* domain, const char* password) {
  RecordedAttempt attempt;
  const std::string typed = user != nullptr ? user : "";
  // No account has a control character in its name; such a name could
  // forge lines in the listings of the records, so it fails unchecked.
  const bool forged = HasControlChar(typed);
  // The service refuses and records such a name itself.
  if (Remote()) {
    const protocol::AuthenticateReply reply = client::Authenticate(
        purpose == AttemptPurpose::kLogin ? protocol::AuthPurpose::kLogin
                                          : protocol::AuthPurpose::kSignature,
        user, domain, password);
    SetSecurityBackendErrorDetail(client::LastBackendDetail());
    attempt.code = static_cast<int>(reply.code);
    attempt.recorded = reply.code == 0 ? typed : reply.recorded_name;
    attempt.event = client::EventStatus(reply.event_status, reply.event_message);
    return attempt;
  }
  attempt.code = forged ? kLogonFailure : Authenticate(user, domain, password);
  if (attempt.code == 0) {
    attempt.recorded = typed;
    if (purpose == AttemptPurpose::kLogin) {
      attempt.event = AddSystemEvent(kAuditSuccessfulLogin, typed);
    }
    return attempt;
  }
  attempt.recorded = forged ? kUnknownUserName : RecordedUserName(typed);
  attempt.event = AddSystemEvent(
      purpose == AttemptPurpose::kLogin ? kAuditFailedLogin : kAuditFailedESignature,
      attempt.recorded);
  if (attempt.event.ok() && attempt.code == kPasswordExpired) {
    attempt.event = AddSystemEvent(kAuditPasswordExpired, attempt.recorded);
  }
  if (attempt.event.ok() && !forged && LastAttemptLockedAccount()) {
    attempt.event = AddSystemEvent(kAuditAccountLocked, attempt.recorded);
  }
  return attempt;
}

RecordedAttempt LogonBackend::ChangePassword(const char* user, const char* domain,
                                             const char* old_password, const char* new_password,
                                             std::string* reason) {
  RecordedAttempt attempt;
  reason->clear();
  const std::string typed = user != nullptr ? user : "";
  if (Remote()) {
    const protocol::ChangePasswordReply reply =
        client::ChangePassword(user, domain, old_password, new_password);
    SetSecurityBackendErrorDetail(reply.detail);
    attempt.code = static_cast<int>(reply.code);
    attempt.recorded = reply.code == 0 ? typed : reply.recorded_name;
    *reason = reply.reason;
    attempt.event = client::EventStatus(reply.event_status, reply.event_message);
    return attempt;
  }
  const bool forged = HasControlChar(typed);
  attempt.code = forged ? kLogonFailure
                        : KorWinSec_aChangePassword(user, domain, old_password, new_password,
                                                    reason);
  if (attempt.code == -1) return attempt;
  if (attempt.code == 0) {
    attempt.recorded = typed;
    attempt.event = AddSystemEvent(kAuditPasswordChanged, typed);
    return attempt;
  }
  attempt.recorded = forged ? kUnknownUserName : RecordedUserName(typed);
  attempt.event = AddSystemEvent(kAuditFailedLogin, attempt.recorded);
  if (attempt.event.ok() && !forged && LastAttemptLockedAccount()) {
    attempt.event = AddSystemEvent(kAuditAccountLocked, attempt.recorded);
  }
  return attempt;
}

std::string LogonBackend::AuthenticFullName() {
  if (Remote()) return client::AuthenticatedUser().full_name;
  return ReadString(KorWinSec_aGetAuthenticUserFullname);
}

std::string LogonBackend::AuthenticDescription() {
  if (Remote()) return client::AuthenticatedUser().description;
  return ReadString(KorWinSec_aGetAuthenticUserDesc);
}

std::vector<std::string> LogonBackend::AuthenticGroups() {
  if (Remote()) return client::AuthenticatedUser().groups;
  std::vector<std::string> groups;
  int count = KorWinSec_GetAuthenticUserGroupInfo(nullptr, nullptr);
  for (int i = 0; i < count; ++i) {
    groups.push_back(ReadString([i](char* buffer, int size) {
      return KorWinSec_aGetAuthenticUserGroup(i, buffer, size);
    }));
  }
  return groups;
}

void LogonBackend::AuthenticPasswordAging(int64_t* expires_at, int64_t* warn_at) {
  if (Remote()) {
    *expires_at = client::AuthenticatedUser().password_expires_at;
    *warn_at = client::AuthenticatedUser().password_warn_at;
    return;
  }
  *expires_at = KorWinSec_AuthenticPasswordExpiry();
  *warn_at = KorWinSec_AuthenticPasswordWarnAt();
}

bool LogonBackend::AuthenticIsAdmin() {
  if (Remote()) return client::AuthenticatedUser().is_admin;
  return KorWinSec_IsAuthenticUserAdmin() != 0;
}

int LogonBackend::ImpersonateUser(const char* user, const char* domain, const char* password,
                                  HANDLE* token) {
  if (Remote()) {
    int code = client::ImpersonateUser(user, domain, password, token);
    SetSecurityBackendErrorDetail(client::LastBackendDetail());
    return code;
  }
  return KorWinSec_aImpersonateUser(user, domain, password, token);
}

int LogonBackend::ImpersonateFromToken(HANDLE token) {
  if (Remote()) return client::ImpersonateFromToken(token);
  return KorWinSec_ImpersonateFromToken(token);
}

void LogonBackend::RevertToSelf() {
  if (Remote()) {
    client::RevertToSelf();
    return;
  }
  KorWinSec_RevertToSelf();
}

void LogonBackend::EndImpersonation(HANDLE* token) {
  if (Remote()) {
    client::EndImpersonation(token);
    return;
  }
  KorWinSec_EndImpersonation(token);
}

HANDLE LogonBackend::DuplicateToken(HANDLE token) {
  HANDLE duplicate = nullptr;
  const int code = Remote() ? client::DuplicateToken(token, &duplicate)
                            : KorWinSec_DuplicateToken(token, &duplicate);
  return code == 0 ? duplicate : nullptr;
}

bool LogonBackend::CloseToken(HANDLE token) {
  if (token == nullptr) return false;
  return (Remote() ? client::CloseToken(token) : KorWinSec_CloseToken(token)) == 0;
}

UserRecord LogonBackend::ImpersonatedUser() {
  if (Remote()) {
    protocol::WireUser wire;
    return client::ImpersonatedUser(&wire) ? FromWire(wire) : UserRecord();
  }
  UserRecord user;
  user.user_name = ReadString(KorWinSec_aGetImpersonatedUser);
  user.full_name = ReadString(KorWinSec_aGetImpersonatedUserFullname);
  user.description = ReadString(KorWinSec_aGetImpersonatedUserDesc);
  user.domain = ReadString(KorWinSec_aGetImpersonatedDomain);
  user.logon_server = ReadString(KorWinSec_aGetImpersonatedLogonServer);
  int count = 0;
  int longest = 0;
  KorWinSec_GetImpersonatedUserGroupInfo(&count, &longest);
  if (longest > 0) {
    // One buffer for all groups, as long as the longest name plus its NUL.
    std::string buffer(static_cast<size_t>(longest) + 1, '\0');
    for (int i = 0; i < count; ++i) {
      int length = KorWinSec_aGetImpersonatedUserGroup(i, buffer.data(), longest + 1);
      // A group that cannot be read is left out rather than listed nameless.
      if (length > 0) user.groups.push_back(buffer.substr(0, static_cast<size_t>(length)));
    }
  }
  user.is_admin = KorWinSec_IsImpersonatedUserAdmin() != 0 ? 1 : 0;
  return user;
}

int LogonBackend::IsWindowsUserAdmin() {
  if (Remote()) return client::IsOsAdmin();
  return KorWinSec_IsWindowsUserAdmin();
}

std::string LogonBackend::RecordedUserName(const std::string& typed) {
  if (Remote()) return client::RecordedUserName(typed);
  return tav::RecordedUserName(typed.c_str());
}

bool LogonBackend::LastAttemptLockedAccount() {
  if (Remote()) return client::LastAttemptLockedAccount();
  return KorWinSec_LastAttemptLockedAccount() != 0;
}

StoreStatus LogonBackend::RecordLogoff(HANDLE token, const std::string& user_name) {
  if (Remote()) return client::RecordLogoff(token);
  return AddSystemEvent(kAuditLoggedOff, user_name);
}

StoreStatus LogonBackend::AddSystemEvent(int code, const std::string& user_name) {
  if (Remote()) {
    // The service records the events of logons itself, under the names it
    // knows; a client's word for whom an event concerns counts for nothing.
    return StoreStatus(StoreStatus::kInvalid,
                       "system events are recorded by the compliance service");
  }
  CSystemEventManager events;
  return events.RecordSystemEvent(static_cast<AUDITCODE>(code), user_name.c_str());
}

}  // namespace tav
