#include "client/settings_proxy.h"

#include "client/service_client.h"
#include "protocol/settings_ops.h"

namespace tav::client {
namespace {

// The configuration's result codes this proxy gives (system_ids.h; the
// client does not link the configuration).
constexpr int kConfigStorageError = -12;
constexpr int kConfigAccessDenied = -14;
constexpr int kInvalidHandle = 6;

RemoteWriteResult WriteResult(const StoreStatus& status, protocol::WriteSettingsReply reply) {
  RemoteWriteResult result;
  if (!status.ok()) {
    result.code = kConfigStorageError;
    result.message = status.message();
    return result;
  }
  result.code = static_cast<int>(reply.code);
  result.message = std::move(reply.message);
  if (reply.code == kInvalidHandle) {
    // The thread's logon is gone from the service (it restarted): the user
    // must log on again before changing anything.
    result.code = kConfigAccessDenied;
  }
  result.changed = reply.changed;
  result.stored = std::move(reply.stored);
  return result;
}

}  // namespace

bool SettingsProxy::InUse() { return UsesComplianceService(); }

StoreStatus SettingsProxy::ReadRow(std::string_view row, std::string* record) {
  protocol::SettingRowReply reply;
  StoreStatus status =
      CallForReply(protocol::EncodeRequest(protocol::SettingRowRequest{std::string(row)}),
           protocol::kOpReadSetting, &reply);
  if (!status.ok()) return status;
  *record = std::move(reply.record);
  return protocol::WireStatus(reply.status, reply.message);
}

StoreStatus SettingsProxy::VerifySettings() {
  protocol::StoreResultReply reply;
  StoreStatus status = CallForReply(protocol::EncodeEmptyRequest(protocol::kOpVerifySettings),
                            protocol::kOpVerifySettings, &reply);
  return status.ok() ? protocol::WireStatus(reply.status, reply.message) : status;
}

StoreStatus SettingsProxy::ReadTrail(uint64_t from, RemoteTrailPage* page) {
  protocol::TrailPageReply reply;
  StoreStatus status =
      CallForReply(protocol::EncodeRequest(protocol::TrailPageRequest{static_cast<int64_t>(from)}),
           protocol::kOpReadConfigTrail, &reply);
  if (!status.ok()) return status;
  status = protocol::WireStatus(reply.status, reply.message);
  if (!status.ok()) return status;
  page->numbers.assign(reply.numbers.begin(), reply.numbers.end());
  page->events = std::move(reply.events);
  page->next = static_cast<uint64_t>(reply.next);
  page->more = reply.more;
  return StoreStatus::Ok();
}

RemoteWriteResult SettingsProxy::Write(const std::vector<RemoteSettingWrite>& writes) {
  protocol::WriteSettingsRequest request;
  request.actor = CurrentActor();
  for (const RemoteSettingWrite& write : writes) {
    request.writes.push_back({write.row, write.has_base, write.base, write.edit, write.reason});
  }
  protocol::WriteSettingsReply reply;
  StoreStatus status =
      CallForReply(protocol::EncodeRequest(request), protocol::kOpWriteSettings, &reply);
  if (status.ok() && reply.code == 0 && reply.stored.size() != writes.size()) {
    status = StoreStatus(StoreStatus::kInvalid,
                         "the compliance service did not say what it stored");
  }
  return WriteResult(status, std::move(reply));
}

RemoteWriteResult SettingsProxy::AcceptStoredSettings(std::string_view reason) {
  protocol::AcceptSettingsRequest request;
  request.actor = CurrentActor();
  request.reason = std::string(reason);
  protocol::WriteSettingsReply reply;
  StoreStatus status =
      CallForReply(protocol::EncodeRequest(request), protocol::kOpAcceptSettings, &reply);
  return WriteResult(status, std::move(reply));
}

void RouteSettingsToService() {
  static SettingsProxy proxy;
  theSettingsRemote.Set(&proxy);
}

int MayPerform(HANDLE token, int activity) {
  const int64_t logon = ServiceLogonOf(token);
  if (logon == protocol::kNoLogon) return 0;
  protocol::MayPerformReply reply;
  StoreStatus status =
      CallForReply(protocol::EncodeRequest(protocol::MayPerformRequest{logon, activity}),
           protocol::kOpMayPerform, &reply);
  return status.ok() && reply.code == 0 && reply.allowed ? 1 : 0;
}

}  // namespace tav::client
