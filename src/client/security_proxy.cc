#include "client/security_proxy.h"


#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <mutex>

#include "client/service_client.h"
#include "util/library_lifetime.h"
#include "util/per_thread.h"

namespace tav::client {
namespace {

using protocol::MessageWriter;

constexpr int kOk = 0;
constexpr int kInvalidHandle = 6;
constexpr int kInvalidParameter = 87;
constexpr int kBackendUnavailable = 1311;
constexpr int kLogonFailure = 1326;
constexpr char kUnknownUserName[] = "(unknown user)";

struct ClientToken {
  uint64_t generation = 0;  // the connection that holds the service's token
  int64_t service_token = 0;
  std::shared_ptr<const protocol::WireUser> user;
};

// Handles are numbers, never pointers, so that a made-up value cannot
// reach memory; they start away from 0 and small integers.
struct TokenTable {
  std::mutex mutex;
  uintptr_t next = 0x7a5e0001;
  std::map<uintptr_t, ClientToken> tokens;
};

TokenTable& Tokens() {
  static UntilUnload<TokenTable> table;
  return table.Get();
}

bool FindToken(HANDLE handle, ClientToken* token) {
  TokenTable& table = Tokens();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.tokens.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.tokens.end()) return false;
  *token = it->second;
  return true;
}

HANDLE AddToken(ClientToken token) {
  TokenTable& table = Tokens();
  std::lock_guard<std::mutex> lock(table.mutex);
  uintptr_t id = table.next;
  table.next += 2;
  table.tokens.emplace(id, std::move(token));
  return reinterpret_cast<HANDLE>(id);
}

bool RemoveToken(HANDLE handle, ClientToken* token) {
  TokenTable& table = Tokens();
  std::lock_guard<std::mutex> lock(table.mutex);
  auto it = table.tokens.find(reinterpret_cast<uintptr_t>(handle));
  if (it == table.tokens.end()) return false;
  *token = std::move(it->second);
  table.tokens.erase(it);
  return true;
}

// The calling thread's state (util/per_thread.h, so that the library can
// be unloaded).
struct ThreadState {
  protocol::WireUser authenticated;
  bool locked_by_last_attempt = false;
  std::string backend_detail;
  std::shared_ptr<const protocol::WireUser> impersonated;
  // The service's number of the impersonated logon, and the connection
  // that holds it.
  int64_t impersonated_token = 0;
  uint64_t impersonated_generation = 0;
};

PerThread<ThreadState> g_states;
std::atomic<bool> g_actor_shows_system_user{false};

ThreadState& State() { return g_states.Get(); }

std::string Text(const char* s) { return s != nullptr ? s : ""; }

// A token's service number, when the connection that holds it is still
// the current one.
bool LiveToken(HANDLE handle, ClientToken* token) {
  return FindToken(handle, token) && token->generation == ServiceConnectionGeneration();
}

}  // namespace

bool GetDomain(std::string* domain) {
  protocol::DomainReply reply;
  if (!CallForReply(protocol::EncodeEmptyRequest(protocol::kOpGetDomain), protocol::kOpGetDomain,
                    &reply)
           .ok()) {
    return false;
  }
  *domain = reply.domain;
  return reply.has_domain;
}

protocol::AuthenticateReply Authenticate(protocol::AuthPurpose purpose, const char* user,
                                         const char* domain, const char* password) {
  ThreadState& state = State();
  state.authenticated = protocol::WireUser();
  state.locked_by_last_attempt = false;
  state.backend_detail.clear();
  protocol::AuthenticateRequest request;
  request.purpose = purpose;
  request.user = Text(user);
  request.domain = Text(domain);
  protocol::AuthenticateReply reply;
  {
    // The password goes straight into the wiped request buffer.
    MessageWriter writer(protocol::kOpAuthenticate);
    writer.Int(static_cast<int64_t>(purpose)).Bytes(request.user).Bytes(request.domain);
    writer.Bytes(password != nullptr ? password : "");
    StoreStatus status = CallForReply(writer, protocol::kOpAuthenticate, &reply);
    if (!status.ok()) {
      reply = protocol::AuthenticateReply();
      reply.code = kBackendUnavailable;
      reply.detail = status.message();
      reply.recorded_name = kUnknownUserName;
    }
  }
  if (reply.code == kOk) state.authenticated = reply.user;
  state.locked_by_last_attempt = reply.locked_now;
  if (reply.code == kBackendUnavailable) state.backend_detail = reply.detail;
  return reply;
}

const protocol::WireUser& AuthenticatedUser() { return State().authenticated; }
bool LastAttemptLockedAccount() { return State().locked_by_last_attempt; }
const std::string& LastBackendDetail() { return State().backend_detail; }

namespace {

int Logon(protocol::AuthPurpose purpose, const char* user, const char* domain,
          const char* password, HANDLE* token, protocol::LogonReply* reply) {
  if (token == nullptr) return kInvalidParameter;
  ThreadState& state = State();
  state.backend_detail.clear();
  *reply = protocol::LogonReply();
  uint64_t generation = 0;
  MessageWriter writer(protocol::kOpLogon);
  writer.Bytes(Text(user)).Bytes(Text(domain)).Bytes(password != nullptr ? password : "");
  writer.Int(static_cast<int64_t>(purpose));
  StoreStatus status = CallForReply(writer, protocol::kOpLogon, reply, &generation);
  if (!status.ok()) {
    *reply = protocol::LogonReply();
    reply->code = kBackendUnavailable;
    reply->detail = status.message();
    state.backend_detail = status.message();
    return kBackendUnavailable;
  }
  if (reply->code != kOk) {
    if (reply->code == kBackendUnavailable) state.backend_detail = reply->detail;
    return static_cast<int>(reply->code);
  }
  if (reply->token == 0) return kLogonFailure;
  ClientToken entry;
  entry.generation = generation;
  entry.service_token = reply->token;
  entry.user = std::make_shared<const protocol::WireUser>(reply->user);
  state.impersonated = entry.user;
  state.impersonated_token = entry.service_token;
  state.impersonated_generation = entry.generation;
  *token = AddToken(std::move(entry));
  return kOk;
}

}  // namespace

int ImpersonateUser(const char* user, const char* domain, const char* password, HANDLE* token) {
  protocol::LogonReply reply;
  return Logon(protocol::AuthPurpose::kCheck, user, domain, password, token, &reply);
}

int LogonAsLogin(const char* user, const char* domain, const char* password, HANDLE* token,
                 protocol::LogonReply* reply) {
  return Logon(protocol::AuthPurpose::kLogin, user, domain, password, token, reply);
}

int ImpersonateFromToken(HANDLE handle) {
  ClientToken token;
  if (!LiveToken(handle, &token)) return kInvalidHandle;
  ThreadState& state = State();
  state.impersonated = token.user;
  state.impersonated_token = token.service_token;
  state.impersonated_generation = token.generation;
  return kOk;
}

void RevertToSelf() {
  ThreadState& state = State();
  state.impersonated.reset();
  state.impersonated_token = 0;
  state.impersonated_generation = 0;
}

int EndImpersonation(HANDLE* token) {
  if (token == nullptr) return kInvalidParameter;
  RevertToSelf();
  if (*token == nullptr) return kOk;
  int result = CloseToken(*token);
  *token = nullptr;
  return result;
}

int DuplicateToken(HANDLE handle, HANDLE* duplicate) {
  if (duplicate == nullptr) return kInvalidParameter;
  ClientToken token;
  if (!LiveToken(handle, &token)) return kInvalidHandle;
  protocol::TokenReply reply;
  uint64_t generation = 0;
  StoreStatus status = CallForReply(protocol::EncodeTokenRequest(protocol::kOpDuplicateToken,
                                                         {token.service_token}),
                            protocol::kOpDuplicateToken, &reply, &generation);
  if (!status.ok() || reply.code != kOk || generation != token.generation) return kInvalidHandle;
  ClientToken copy;
  copy.generation = generation;
  copy.service_token = reply.token;
  copy.user = token.user;
  *duplicate = AddToken(std::move(copy));
  return kOk;
}

int CloseToken(HANDLE handle) {
  ClientToken token;
  if (!RemoveToken(handle, &token)) return kInvalidHandle;
  if (token.generation == ServiceConnectionGeneration()) {
    protocol::TokenReply reply;
    // The entry is gone whatever the service answers: a token the service
    // no longer holds is closed already.
    CallForReply(protocol::EncodeTokenRequest(protocol::kOpCloseToken, {token.service_token}),
         protocol::kOpCloseToken, &reply);
  }
  return kOk;
}

bool ImpersonatedUser(protocol::WireUser* user) {
  const auto& impersonated = State().impersonated;
  if (!impersonated) return false;
  *user = *impersonated;
  return true;
}

int64_t ServiceLogonOf(HANDLE handle) {
  ClientToken token;
  return LiveToken(handle, &token) ? token.service_token : protocol::kNoLogon;
}

void SetActorShowsSystemUser(bool show) { g_actor_shows_system_user = show; }

protocol::Actor CurrentActor() {
  const ThreadState& state = State();
  protocol::Actor actor;
  if (state.impersonated_token != 0) {
    // A logon of an earlier connection is gone from the service: the
    // request names one the service will refuse rather than none, so that
    // nothing is recorded under the process's system user by mistake.
    actor.logon = state.impersonated_generation == ServiceConnectionGeneration()
                      ? state.impersonated_token
                      : protocol::kStaleLogon;
  }
  actor.show_system_user = g_actor_shows_system_user.load();
  return actor;
}

int IsOsAdmin() {
  protocol::FlagReply reply;
  if (!CallForReply(protocol::EncodeEmptyRequest(protocol::kOpIsOsAdmin), protocol::kOpIsOsAdmin,
                    &reply)
           .ok()) {
    return 0;
  }
  return reply.flag ? 1 : 0;
}

std::string RecordedUserName(const std::string& typed) {
  protocol::NameReply reply;
  if (!CallForReply(protocol::EncodeNameRequest({typed}), protocol::kOpRecordedUserName, &reply)
           .ok()) {
    return kUnknownUserName;
  }
  return reply.name;
}

StoreStatus RecordLogoff(HANDLE handle) {
  ClientToken token;
  if (!LiveToken(handle, &token)) {
    return StoreStatus(StoreStatus::kInvalid,
                       "the logon ended with the compliance service's restart; nothing recorded");
  }
  protocol::EventReply reply;
  StoreStatus status = CallForReply(protocol::EncodeTokenRequest(protocol::kOpRecordLogoff,
                                                         {token.service_token}),
                            protocol::kOpRecordLogoff, &reply);
  if (!status.ok()) return status;
  return EventStatus(reply.event_status, reply.event_message);
}

StoreStatus EventStatus(int64_t wire_status, const std::string& message) {
  if (wire_status == 0) return StoreStatus::Ok();
  const int64_t code = -wire_status;
  if (code < StoreStatus::kBusy || code > StoreStatus::kTampered) {
    return StoreStatus(StoreStatus::kIOError, message);
  }
  return StoreStatus(static_cast<StoreStatus::Code>(code), message);
}

void ReleaseClientThreadStates() { g_states.Release(); }

}  // namespace tav::client
