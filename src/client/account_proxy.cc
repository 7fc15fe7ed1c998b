#include "client/account_proxy.h"

#include "client/security_proxy.h"
#include "client/service_client.h"

namespace tav::client {

protocol::ListAccountsReply ListAccounts() {
  protocol::ListAccountsReply reply;
  const StoreStatus status = CallForReply(
      protocol::EncodeRequest(protocol::ListAccountsRequest{CurrentActor()}),
      protocol::kOpListAccounts, &reply);
  if (status.ok()) return reply;
  reply = protocol::ListAccountsReply();
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

}  // namespace tav::client
