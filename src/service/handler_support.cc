#include <sodium.h>

#include <utility>

#include "service/handlers.h"

#include "records/audit_code.h"
#include "services/security/result_codes.h"

namespace tav::service {
namespace {

using protocol::WireUser;

std::string FitField(std::string text) {
  if (text.size() > protocol::kMaxTextField) text.resize(protocol::kMaxTextField);
  return text;
}

// A string query of the security service (korwinsec.h): empty when it has
// no value.
template <typename Query>
std::string ReadQuery(Query query) {
  const int length = query(nullptr, 0);
  if (length <= 0) return {};
  std::string value(static_cast<size_t>(length) + 1, '\0');
  if (query(value.data(), length + 1) != length) return {};
  value.resize(static_cast<size_t>(length));
  return FitField(std::move(value));
}

// Groups that do not fit the wire are left out, never cut: a cut name
// could name another group.
template <typename Info, typename Group>
std::vector<std::string> ReadGroups(Info info, Group group) {
  std::vector<std::string> groups;
  int count = 0;
  int longest = 0;
  info(&count, &longest);
  if (count <= 0 || longest < 0) return groups;
  std::string buffer(static_cast<size_t>(longest) + 1, '\0');
  for (int i = 0; i < count && groups.size() < protocol::kMaxListEntries; ++i) {
    const int length = group(i, buffer.data(), longest + 1);
    if (length <= 0 || static_cast<size_t>(length) > protocol::kMaxTextField) continue;
    groups.emplace_back(buffer.data(), static_cast<size_t>(length));
  }
  return groups;
}

}  // namespace

WipeOnExit::~WipeOnExit() {
  if (!secret_->empty()) sodium_memzero(secret_->data(), secret_->size());
  secret_->clear();
}

bool HasNul(std::string_view text) { return text.find('\0') != std::string_view::npos; }

StoreStatus RecordLoginAttempt(Session& session, int code, const std::string& user,
                               const std::string& recorded, bool locked_now) {
  if (code == kSecOk) return session.events().Record(kAuditSuccessfulLogin, user);
  StoreStatus event = session.events().Record(kAuditFailedLogin, recorded);
  if (event.ok() && code == kSecPasswordExpired) {
    event = session.events().Record(kAuditPasswordExpired, recorded);
  }
  if (event.ok() && locked_now) event = session.events().Record(kAuditAccountLocked, recorded);
  return event;
}

void SetEventStatus(const StoreStatus& status, int64_t* event_status, std::string* message) {
  *event_status = status.ok() ? 0 : -static_cast<int64_t>(status.code());
  *message = status.ok() ? std::string() : status.message();
}

WireUser AuthenticatedUser() {
  WireUser user;
  user.full_name = ReadQuery(KorWinSec_aGetAuthenticUserFullname);
  user.description = ReadQuery(KorWinSec_aGetAuthenticUserDesc);
  user.logon_server = ReadQuery(KorWinSec_aGetAuthenticLogonServer);
  user.groups = ReadGroups(KorWinSec_GetAuthenticUserGroupInfo, KorWinSec_aGetAuthenticUserGroup);
  user.is_admin = KorWinSec_IsAuthenticUserAdmin() != 0;
  user.password_expires_at = KorWinSec_AuthenticPasswordExpiry();
  user.password_warn_at = KorWinSec_AuthenticPasswordWarnAt();
  return user;
}

WireUser ImpersonatedUser() {
  WireUser user;
  user.user_name = ReadQuery(KorWinSec_aGetImpersonatedUser);
  user.domain = ReadQuery(KorWinSec_aGetImpersonatedDomain);
  user.logon_server = ReadQuery(KorWinSec_aGetImpersonatedLogonServer);
  user.full_name = ReadQuery(KorWinSec_aGetImpersonatedUserFullname);
  user.description = ReadQuery(KorWinSec_aGetImpersonatedUserDesc);
  user.groups =
      ReadGroups(KorWinSec_GetImpersonatedUserGroupInfo, KorWinSec_aGetImpersonatedUserGroup);
  user.is_admin = KorWinSec_IsImpersonatedUserAdmin() != 0;
  return user;
}

}  // namespace tav::service
