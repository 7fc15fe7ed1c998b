#include "client/account_proxy.h"

#include "client/security_proxy.h"
#include "client/service_client.h"

namespace tav::client {
namespace {

// The security service's code for a backend that cannot be used.
constexpr int64_t kBackendUnavailable = 1311;

}  // namespace

protocol::ListAccountsReply ListAccounts(bool include_removed) {
  protocol::ListAccountsReply reply;
  const StoreStatus status = CallForReply(
      protocol::EncodeRequest(protocol::ListAccountsRequest{CurrentActor(), include_removed}),
      protocol::kOpListAccounts, &reply);
  if (status.ok()) return reply;
  reply = protocol::ListAccountsReply();
  reply.code = protocol::kAccountFailed;
  reply.message = status.message();
  return reply;
}

protocol::ListChangedUidsReply ListChangedUids() {
  protocol::ListChangedUidsReply reply;
  const StoreStatus status =
      CallForReply(protocol::EncodeRequest(protocol::ListChangedUidsRequest{CurrentActor()}),
                   protocol::kOpListChangedUids, &reply);
  if (status.ok()) return reply;
  reply = protocol::ListChangedUidsReply();
  reply.code = protocol::kAccountFailed;
  reply.message = status.message();
  return reply;
}

protocol::ChangeAccountReply ChangeAccount(protocol::AccountChange change,
                                           const protocol::WireAccount& account,
                                           const char* password) {
  protocol::ChangeAccountRequest request;
  request.actor = CurrentActor();
  request.change = change;
  request.account = account;
  protocol::ChangeAccountReply reply;
  const StoreStatus status =
      CallForReply(protocol::EncodeRequest(request, password != nullptr ? password : ""),
                   protocol::kOpChangeAccount, &reply);
  if (status.ok()) return reply;
  reply = protocol::ChangeAccountReply();
  reply.code = protocol::kAccountFailed;
  reply.message = status.message();
  return reply;
}

protocol::ChangePasswordReply ChangePassword(const char* user, const char* domain,
                                             const char* old_password, const char* new_password) {
  protocol::ChangePasswordRequest request;
  request.user = user != nullptr ? user : "";
  request.domain = domain != nullptr ? domain : "";
  protocol::ChangePasswordReply reply;
  const StoreStatus status = CallForReply(
      protocol::EncodeRequest(request, old_password != nullptr ? old_password : "",
                              new_password != nullptr ? new_password : ""),
      protocol::kOpChangePassword, &reply);
  if (status.ok()) return reply;
  reply = protocol::ChangePasswordReply();
  reply.code = kBackendUnavailable;
  reply.detail = status.message();
  return reply;
}

}  // namespace tav::client
