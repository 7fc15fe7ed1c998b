// Feeds arbitrary payloads to the service: every request decoder, then the
// dispatch with a session that holds no logons, on a machine root without a
// store (every logon fails with 1311 before any password work) and with an
// event sink that only counts. Must not crash, hang or leak.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "protocol/account_ops.h"
#include "protocol/event_ops.h"
#include "protocol/operations.h"
#include "protocol/run_list_ops.h"
#include "protocol/settings_ops.h"
#include "service/dispatch.h"
#include "service/session.h"
#include "util/auth_syslog.h"
#include "util/data_dir.h"

namespace {

class CountingSink : public tav::service::EventSink {
 public:
  tav::StoreStatus Record(tav::AUDITCODE, const std::string&) override {
    ++count;
    return tav::StoreStatus::Ok();
  }
  size_t count = 0;
};

template <typename Request>
void Decode(std::string_view payload) {
  tav::protocol::MessageReader reader(payload);
  Request request;
  tav::protocol::DecodeRequest(reader, &request);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  char root[] = "/tmp/tav_fuzz_root.XXXXXX";
  if (mkdtemp(root) == nullptr) abort();
  tav::SetMachineRootForTesting(root);
  unsetenv("TAV_DATA_DIR");
  unsetenv("TAV_MACHINE_ROOT");
  tav::SetAuthSyslogSinkForTesting([](int, const std::string&) {});
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view payload(reinterpret_cast<const char*>(data), size);
  Decode<tav::protocol::HelloRequest>(payload);
  Decode<tav::protocol::AuthenticateRequest>(payload);
  Decode<tav::protocol::LogonRequest>(payload);
  Decode<tav::protocol::TokenRequest>(payload);
  Decode<tav::protocol::NameRequest>(payload);
  Decode<tav::protocol::ListEventsRequest>(payload);
  Decode<tav::protocol::SignExportRequest>(payload);
  Decode<tav::protocol::LogWritersRequest>(payload);
  Decode<tav::protocol::RecordReviewRequest>(payload);
  Decode<tav::protocol::RunListDeleteRequest>(payload);
  Decode<tav::protocol::RunListMoveRequest>(payload);
  Decode<tav::protocol::RunListImportRequest>(payload);
  Decode<tav::protocol::RunListRecordRequest>(payload);
  Decode<tav::protocol::RunListPageRequest>(payload);
  Decode<tav::protocol::SettingRowRequest>(payload);
  Decode<tav::protocol::TrailPageRequest>(payload);
  Decode<tav::protocol::WriteSettingsRequest>(payload);
  Decode<tav::protocol::AcceptSettingsRequest>(payload);
  Decode<tav::protocol::MayPerformRequest>(payload);
  Decode<tav::protocol::ListAccountsRequest>(payload);
  Decode<tav::protocol::ListChangedUidsRequest>(payload);
  Decode<tav::protocol::ChangeAccountRequest>(payload);
  Decode<tav::protocol::ChangePasswordRequest>(payload);

  CountingSink events;
  tav::PeerCredentials peer;
  peer.uid = 65534;
  tav::service::Session session(peer, events);
  tav::service::DispatchResult result = tav::service::HandleRequest(session, payload);
  // Every reply is a whole frame of the protocol.
  if (!result.close) {
    if (result.frame.size() < tav::protocol::kFrameHeaderBytes) abort();
    uint32_t length = 0;
    if (!tav::protocol::DecodeFrameHeader(reinterpret_cast<const uint8_t*>(result.frame.data()),
                                          &length)
             .ok() ||
        length + tav::protocol::kFrameHeaderBytes != result.frame.size()) {
      abort();
    }
  }
  if (session.logon_count() != 0) abort();
  return 0;
}
