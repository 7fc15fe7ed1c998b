#include "service/dispatch.h"

#include "service/handlers.h"

namespace tav::service {
namespace {

using protocol::MessageReader;
using protocol::MessageWriter;

constexpr OperationEntry kOperations[] = {
    {protocol::kOpHello, HandleHello},
    {protocol::kOpGetDomain, HandleGetDomain},
    {protocol::kOpAuthenticate, HandleAuthenticate},
    {protocol::kOpLogon, HandleLogon},
    {protocol::kOpDuplicateToken, HandleDuplicateToken},
    {protocol::kOpCloseToken, HandleCloseToken},
    {protocol::kOpIsOsAdmin, HandleIsOsAdmin},
    {protocol::kOpRecordLogoff, HandleRecordLogoff},
    {protocol::kOpRecordedUserName, HandleRecordedUserName},
    {protocol::kOpListEvents, HandleListEvents},
    {protocol::kOpVerifyEvents, HandleVerifyEvents},
    {protocol::kOpVerifyStore, HandleVerifyStore},
    {protocol::kOpSignExport, HandleSignExport},
    {protocol::kOpRecordReview, HandleRecordReview},
    {protocol::kOpLogWriters, HandleLogWriters},
    {protocol::kOpRunListDelete, HandleRunListDelete},
    {protocol::kOpRunListMove, HandleRunListMove},
    {protocol::kOpRunListImport, HandleRunListImport},
    {protocol::kOpRunListRecord, HandleRunListRecord},
    {protocol::kOpRunListPage, HandleRunListPage},
    {protocol::kOpRunHistoryPage, HandleRunHistoryPage},
    {protocol::kOpReadSetting, HandleReadSetting},
    {protocol::kOpVerifySettings, HandleVerifySettings},
    {protocol::kOpReadConfigTrail, HandleReadConfigTrail},
    {protocol::kOpWriteSettings, HandleWriteSettings},
    {protocol::kOpAcceptSettings, HandleAcceptSettings},
    {protocol::kOpMayPerform, HandleMayPerform},
    {protocol::kOpListAccounts, HandleListAccounts},
    {protocol::kOpListChangedUids, HandleListChangedUids},
    {protocol::kOpChangeAccount, HandleChangeAccount},
    {protocol::kOpChangePassword, HandleChangePassword},
};

std::string FrameOf(const MessageWriter& reply, uint16_t operation) {
  std::string frame;
  StoreStatus status = reply.Frame(&frame);
  if (status.ok()) return frame;
  // Only a reply that outgrew the frame limit gets here; its error fits.
  MessageWriter error = protocol::ErrorReply(operation, protocol::kReplyRefused,
                                             "the reply to " + protocol::OperationName(operation) +
                                                 " is too large: " + status.message());
  error.Frame(&frame);
  return frame;
}

}  // namespace

std::span<const OperationEntry> ServiceOperations() { return kOperations; }

DispatchResult HandleRequest(Session& session, std::string_view payload) {
  return HandleRequest(ServiceOperations(), session, payload);
}

DispatchResult HandleRequest(std::span<const OperationEntry> operations, Session& session,
                             std::string_view payload) {
  DispatchResult result;
  MessageReader request(payload);
  if (!request.ok()) {
    result.close = true;
    return result;
  }
  const uint16_t operation = request.operation();
  if (request.version() != protocol::kProtocolVersion) {
    result.frame = FrameOf(
        protocol::ErrorReply(operation, protocol::kReplyUnknown,
                             "the compliance service speaks protocol version " +
                                 std::to_string(protocol::kProtocolVersion) + ", not " +
                                 std::to_string(request.version())),
        operation);
    return result;
  }
  for (const OperationEntry& entry : operations) {
    if (entry.operation != operation) continue;
    std::optional<MessageWriter> reply = entry.handler(session, request);
    if (!reply.has_value()) {
      result.close = true;
      return result;
    }
    result.frame = FrameOf(*reply, operation);
    return result;
  }
  result.frame = FrameOf(protocol::ErrorReply(operation, protocol::kReplyUnknown,
                                              "the compliance service has no " +
                                                  protocol::OperationName(operation)),
                         operation);
  return result;
}

}  // namespace tav::service
