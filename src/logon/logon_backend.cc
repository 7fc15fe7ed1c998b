#include "logon/logon_backend.h"

#include "records/audit_code.h"
#include "services/filelib/system_event_manager.h"
#include "services/security/korwinsec.h"

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

}  // namespace

LogonBackend& LogonBackend::Default() {
  static LogonBackend backend;
  return backend;
}

bool LogonBackend::HasDomain() { return KorWinSec_aGetWindowsDomain(nullptr, 0) != -1; }

int LogonBackend::Authenticate(const char* user, const char* domain, const char* password) {
  return KorWinSec_aAuthenticateUser(user, domain, password);
}

std::string LogonBackend::AuthenticFullName() {
  return ReadString(KorWinSec_aGetAuthenticUserFullname);
}

std::string LogonBackend::AuthenticDescription() {
  return ReadString(KorWinSec_aGetAuthenticUserDesc);
}

std::vector<std::string> LogonBackend::AuthenticGroups() {
  std::vector<std::string> groups;
  int count = KorWinSec_GetAuthenticUserGroupInfo(nullptr, nullptr);
  for (int i = 0; i < count; ++i) {
    groups.push_back(ReadString([i](char* buffer, int size) {
      return KorWinSec_aGetAuthenticUserGroup(i, buffer, size);
    }));
  }
  return groups;
}

bool LogonBackend::AuthenticIsAdmin() { return KorWinSec_IsAuthenticUserAdmin() != 0; }

int LogonBackend::ImpersonateUser(const char* user, const char* domain, const char* password,
                                  HANDLE* token) {
  return KorWinSec_aImpersonateUser(user, domain, password, token);
}

int LogonBackend::ImpersonateFromToken(HANDLE token) {
  return KorWinSec_ImpersonateFromToken(token);
}

void LogonBackend::RevertToSelf() { KorWinSec_RevertToSelf(); }

void LogonBackend::EndImpersonation(HANDLE* token) { KorWinSec_EndImpersonation(token); }

HANDLE LogonBackend::DuplicateToken(HANDLE token) {
  HANDLE duplicate = nullptr;
  if (KorWinSec_DuplicateToken(token, &duplicate) != 0) return nullptr;
  return duplicate;
}

bool LogonBackend::CloseToken(HANDLE token) {
  return token != nullptr && KorWinSec_CloseToken(token) == 0;
}

UserRecord LogonBackend::ImpersonatedUser() {
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

int LogonBackend::IsWindowsUserAdmin() { return KorWinSec_IsWindowsUserAdmin(); }

std::string LogonBackend::RecordedUserName(const std::string& typed) {
  return tav::RecordedUserName(typed.c_str());
}

bool LogonBackend::LastAttemptLockedAccount() { return KorWinSec_LastAttemptLockedAccount() != 0; }

StoreStatus LogonBackend::AddSystemEvent(int code, const std::string& user_name) {
  CSystemEventManager events;
  return events.RecordSystemEvent(static_cast<AUDITCODE>(code), user_name.c_str());
}

}  // namespace tav
