#include "services/security/korwinsec.h"

#include <unistd.h>

#include <syslog.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <climits>
#include <cstring>
#include <memory>
#include <mutex>
#include <string_view>

#include "services/security/auth_backend.h"
#include "services/security/lockout.h"
#include "services/security/result_codes.h"
#include "services/security/secret.h"
#include "services/security/security_config.h"
#include "services/security/token_table.h"
#include "services/security/unix_accounts.h"
#include "util/auth_syslog.h"
#include "util/per_thread.h"
#include "util/strings.h"

namespace tav {
namespace {

using IdentityPtr = std::shared_ptr<const Identity>;

// Longer names exist in no backend; they are refused before reaching one.
constexpr size_t kMaxUserNameBytes = 256;

// The calling thread's users. Windows keeps the impersonation token per
// thread; the authenticated user is kept the same way so that two threads
// authenticating at once cannot read each other's answers.
struct ThreadState {
  IdentityPtr authenticated;
  IdentityPtr impersonated;
  std::string backend_detail;
  bool locked_by_last_attempt = false;
};

// The states live behind a pthread key (util/per_thread.h), so that the
// library can be unloaded; ReleaseSecurityThreadStates deletes the key.
PerThread<ThreadState> g_states;

ThreadState& State() { return g_states.Get(); }

bool IsBlank(const char* text) {
  if (text == nullptr) return true;
  for (; *text != '\0'; ++text) {
    if (*text != ' ' && *text != '\t') return false;
  }
  return true;
}

bool EqualNoCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

int CopyOut(std::string_view value, char* buffer, int size) {
  int length = static_cast<int>(std::min<size_t>(value.size(), INT_MAX - 1));
  if (buffer == nullptr || size <= 0) return length;
  if (size > length) {
    std::memcpy(buffer, value.data(), static_cast<size_t>(length));
    buffer[length] = '\0';
  } else {
    buffer[0] = '\0';
  }
  return length;
}

int NoValue(char* buffer, int size) {
  if (buffer != nullptr && size > 0) buffer[0] = '\0';
  return -1;
}

int StringQuery(const IdentityPtr& identity, std::string Identity::*field, char* buffer,
                int size) {
  if (identity == nullptr) return NoValue(buffer, size);
  return CopyOut((*identity).*field, buffer, size);
}

int GroupInfo(const IdentityPtr& identity, int* count, int* longest) {
  int n = 0;
  int widest = 0;
  if (identity != nullptr) {
    n = static_cast<int>(std::min<size_t>(identity->groups.size(), INT_MAX));
    for (const std::string& group : identity->groups) {
      widest = std::max(widest, static_cast<int>(std::min<size_t>(group.size(), INT_MAX - 1)));
    }
  }
  if (count != nullptr) *count = n;
  if (longest != nullptr) *longest = widest;
  return n;
}

int GroupQuery(const IdentityPtr& identity, int index, char* buffer, int size) {
  if (identity == nullptr || index < 0 ||
      static_cast<size_t>(index) >= identity->groups.size()) {
    return NoValue(buffer, size);
  }
  return CopyOut(identity->groups[static_cast<size_t>(index)], buffer, size);
}

// The name a record of an attempt by `typed` carries, from a backend.
std::string RecordedName(AuthBackend* backend, const char* typed) {
  // A blank name is kept as it is: it gives nothing away.
  if (IsBlank(typed)) return typed != nullptr ? typed : "";
  if (HasControlChar(typed) || std::strlen(typed) > kMaxUserNameBytes ||
      backend == nullptr || !backend->IsAccount(typed)) {
    return kUnknownUserName;
  }
  return typed;
}

// Tells the system's log about a refused attempt.
void LogRefusal(AuthBackend* backend, const char* user, int code, const GuardOutcome& outcome,
                const std::string& detail) {
  if (code == kSecBackendUnavailable) {
    AuthSyslog(LOG_ERR, "authentication impossible: " + detail);
    return;
  }
  const std::string name = RecordedName(backend, user);
  if (outcome.refused_locked) {
    AuthSyslog(LOG_WARNING, "authentication refused, account locked out; user=" + name);
    return;
  }
  AuthSyslog(LOG_NOTICE, "authentication failure; user=" + name + " code=" + std::to_string(code));
  if (outcome.locked_now) {
    AuthSyslog(LOG_WARNING, "account locked out after repeated authentication failures; user=" +
                                name);
  }
}

// What every password attempt does first: clears the thread's detail and
// lock flag, refuses a blank name, and a name no account has (too long, or
// with a control character, which could forge log lines), and loads the
// configuration. kSecOk, or the attempt's result (refusals logged).
int BeginAttempt(const char* user, SecurityConfig* config) {
  ThreadState& state = State();
  std::string& detail = state.backend_detail;
  detail.clear();
  state.locked_by_last_attempt = false;
  if (IsBlank(user)) return kSecBlankUserName;
  if (std::strlen(user) > kMaxUserNameBytes || HasControlChar(user)) {
    LogRefusal(nullptr, user, kSecLogonFailure, GuardOutcome(), detail);
    return kSecLogonFailure;
  }
  if (!LoadSecurityConfig(config, &detail)) {
    LogRefusal(nullptr, user, kSecBackendUnavailable, GuardOutcome(), detail);
    return kSecBackendUnavailable;
  }
  return kSecOk;
}

// Authenticates through the configured backend, under its lockout policy;
// on success stores the user in *identity. Sets the thread's backend detail.
int Logon(const char* user, const char* domain, const char* password,
          IdentityPtr* identity) {
  ThreadState& state = State();
  std::string& detail = state.backend_detail;
  SecurityConfig config;
  if (int code = BeginAttempt(user, &config); code != kSecOk) return code;
  std::unique_ptr<AuthBackend> backend = MakeAuthBackend(config);
  std::string_view typed = password != nullptr ? password : "";
  auto result = std::make_shared<Identity>();
  const bool foreign_domain = !IsBlank(domain) && !EqualNoCase(domain, config.domain);
  GuardOutcome outcome;
  int code = GuardedAuthentication(
      config, user, static_cast<int64_t>(std::time(nullptr)),
      [&] {
        if (foreign_domain || typed.size() > kMaxPasswordBytes) return kSecLogonFailure;
        return backend->Authenticate(user, typed, result.get(), &detail);
      },
      &outcome, &detail);
  state.locked_by_last_attempt = outcome.locked_now;
  if (code != kSecOk) {
    LogRefusal(backend.get(), user, code, outcome, detail);
    if (code != kSecBackendUnavailable) detail.clear();
    return code;
  }
  detail.clear();
  result->domain = config.domain;
  result->logon_server = ShortHostName();
  *identity = std::move(result);
  return kSecOk;
}

// Checks the old password and sets the new one, as Logon checks passwords.
int ChangePassword(const char* user, const char* domain, const char* old_password,
                   const char* new_password, std::string* reason) {
  ThreadState& state = State();
  std::string& detail = state.backend_detail;
  reason->clear();
  SecurityConfig config;
  if (int code = BeginAttempt(user, &config); code != kSecOk) return code;
  std::unique_ptr<AuthBackend> backend = MakeAuthBackend(config);
  std::string_view old_typed = old_password != nullptr ? old_password : "";
  std::string_view new_typed = new_password != nullptr ? new_password : "";
  const bool foreign_domain = !IsBlank(domain) && !EqualNoCase(domain, config.domain);
  std::string backend_says;
  GuardOutcome outcome;
  int code = GuardedAuthentication(
      config, user, static_cast<int64_t>(std::time(nullptr)),
      [&] {
        if (foreign_domain || old_typed.size() > kMaxPasswordBytes) return kSecLogonFailure;
        if (new_typed.size() > kMaxPasswordBytes) {
          backend_says = "the password is longer than " + std::to_string(kMaxPasswordBytes) +
                         " bytes";
          return kSecPasswordRestriction;
        }
        return backend->ChangePassword(user, old_typed, new_typed, &backend_says);
      },
      &outcome, &detail);
  state.locked_by_last_attempt = outcome.locked_now;
  if (code == kSecPasswordRestriction) {
    *reason = backend_says;
    return code;
  }
  if (code == kSecBackendUnavailable && detail.empty()) detail = backend_says;
  if (code != kSecOk) {
    LogRefusal(backend.get(), user, code, outcome, detail);
    if (code != kSecBackendUnavailable) detail.clear();
    return code;
  }
  AuthSyslog(LOG_NOTICE, std::string("password changed; user=") + user);
  return kSecOk;
}

}  // namespace

int KorWinSec_aChangePassword(const char* user, const char* domain, const char* old_password,
                              const char* new_password, std::string* reason) {
  State().authenticated.reset();
  return ChangePassword(user, domain, old_password, new_password, reason);
}

int64_t KorWinSec_AuthenticPasswordExpiry() {
  const IdentityPtr& identity = State().authenticated;
  return identity != nullptr ? identity->password_expires_at : 0;
}

int64_t KorWinSec_AuthenticPasswordWarnAt() {
  const IdentityPtr& identity = State().authenticated;
  return identity != nullptr ? identity->password_warn_at : 0;
}

void ReleaseSecurityThreadStates() { g_states.Release(); }

int KorWinSec_aGetWindowsDomain(char* buffer, int size) {
  SecurityConfig config;
  std::string error;
  if (!LoadSecurityConfig(&config, &error) || config.domain.empty()) {
    return NoValue(buffer, size);
  }
  return CopyOut(config.domain, buffer, size);
}

int KorWinSec_aAuthenticateUser(const char* user, const char* domain,
                                const char* password) {
  ThreadState& state = State();
  state.authenticated.reset();
  IdentityPtr identity;
  int code = Logon(user, domain, password, &identity);
  if (code == kSecOk) state.authenticated = std::move(identity);
  return code;
}

int KorWinSec_aGetAuthenticUserFullname(char* buffer, int size) {
  return StringQuery(State().authenticated, &Identity::full_name, buffer, size);
}

int KorWinSec_aGetAuthenticUserDesc(char* buffer, int size) {
  return StringQuery(State().authenticated, &Identity::description, buffer, size);
}

int KorWinSec_aGetAuthenticLogonServer(char* buffer, int size) {
  return StringQuery(State().authenticated, &Identity::logon_server, buffer, size);
}

int KorWinSec_GetAuthenticUserGroupInfo(int* count, int* longest) {
  return GroupInfo(State().authenticated, count, longest);
}

int KorWinSec_aGetAuthenticUserGroup(int index, char* buffer, int size) {
  return GroupQuery(State().authenticated, index, buffer, size);
}

int KorWinSec_IsAuthenticUserAdmin() {
  const IdentityPtr& identity = State().authenticated;
  return identity != nullptr && identity->is_admin ? 1 : 0;
}

int KorWinSec_aImpersonateUser(const char* user, const char* domain,
                               const char* password, HANDLE* token) {
  if (token == nullptr) return kSecInvalidParameter;
  IdentityPtr identity;
  int code = Logon(user, domain, password, &identity);
  if (code != kSecOk) return code;
  HANDLE handle = TokenTable::Global().Insert(identity);
  if (handle == nullptr) return kSecNotEnoughMemory;
  State().impersonated = std::move(identity);
  *token = handle;
  return kSecOk;
}

int KorWinSec_ImpersonateFromToken(HANDLE token) {
  IdentityPtr identity = TokenTable::Global().Find(token);
  if (identity == nullptr) return kSecInvalidHandle;
  State().impersonated = std::move(identity);
  return kSecOk;
}

int KorWinSec_EndImpersonation(HANDLE* token) {
  if (token == nullptr) return kSecInvalidParameter;
  State().impersonated.reset();
  int code = kSecOk;
  if (*token != nullptr && !TokenTable::Global().Remove(*token)) code = kSecInvalidHandle;
  *token = nullptr;
  return code;
}

int KorWinSec_RevertToSelf() {
  State().impersonated.reset();
  return kSecOk;
}

int KorWinSec_DuplicateToken(HANDLE token, HANDLE* duplicate) {
  if (duplicate == nullptr) return kSecInvalidParameter;
  IdentityPtr identity = TokenTable::Global().Find(token);
  if (identity == nullptr) return kSecInvalidHandle;
  HANDLE handle = TokenTable::Global().Insert(std::move(identity));
  if (handle == nullptr) return kSecNotEnoughMemory;
  *duplicate = handle;
  return kSecOk;
}

int KorWinSec_CloseToken(HANDLE token) {
  return TokenTable::Global().Remove(token) ? kSecOk : kSecInvalidHandle;
}

int KorWinSec_aGetImpersonatedUser(char* buffer, int size) {
  return StringQuery(State().impersonated, &Identity::user_name, buffer, size);
}

int KorWinSec_aGetImpersonatedUserFullname(char* buffer, int size) {
  return StringQuery(State().impersonated, &Identity::full_name, buffer, size);
}

int KorWinSec_aGetImpersonatedUserDesc(char* buffer, int size) {
  return StringQuery(State().impersonated, &Identity::description, buffer, size);
}

int KorWinSec_aGetImpersonatedDomain(char* buffer, int size) {
  return StringQuery(State().impersonated, &Identity::domain, buffer, size);
}

int KorWinSec_aGetImpersonatedLogonServer(char* buffer, int size) {
  return StringQuery(State().impersonated, &Identity::logon_server, buffer, size);
}

int KorWinSec_GetImpersonatedUserGroupInfo(int* count, int* longest) {
  return GroupInfo(State().impersonated, count, longest);
}

int KorWinSec_aGetImpersonatedUserGroup(int index, char* buffer, int size) {
  return GroupQuery(State().impersonated, index, buffer, size);
}

int KorWinSec_IsImpersonatedUserAdmin() {
  const IdentityPtr& identity = State().impersonated;
  return identity != nullptr && identity->is_admin ? 1 : 0;
}

int KorWinSec_IsWindowsUserAdmin() {
  uid_t uid = geteuid();
  if (uid == 0) return 1;
  SecurityConfig config;
  std::string error;
  UnixUser user;
  // Without a readable configuration there is no admin group to belong to.
  if (!LoadSecurityConfig(&config, &error) || !LookUpUnixUser(uid, &user)) return 0;
  return IsUnixAdmin(user, UnixGroupNames(user), config.admin_group) ? 1 : 0;
}

const std::string& SecurityBackendErrorDetail() { return State().backend_detail; }

void SetSecurityBackendErrorDetail(const std::string& detail) { State().backend_detail = detail; }

int KorWinSec_LastAttemptLockedAccount() { return State().locked_by_last_attempt ? 1 : 0; }

std::string RecordedUserName(const char* typed) {
  SecurityConfig config;
  std::string error;
  if (!LoadSecurityConfig(&config, &error)) return kUnknownUserName;
  return RecordedName(MakeAuthBackend(config).get(), typed);
}

}  // namespace tav
