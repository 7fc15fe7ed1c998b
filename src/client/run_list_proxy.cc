#include "client/run_list_proxy.h"

#include <string>

#include "client/security_proxy.h"
#include "client/service_client.h"
#include "protocol/run_list_ops.h"

namespace tav::client {
namespace {

using protocol::MessageWriter;

// The run list's result codes (services/filelib/filelib_codes.h); the
// client does not link the file library.
constexpr int kStorageError = -50;
constexpr int kBusy = -51;
constexpr int kInvalidArgument = -54;
constexpr int kInvalidHandle = 6;

// The reply's code, or the run list's code for a failed call.
int Operate(const MessageWriter& request, uint16_t op, std::string* record) {
  protocol::RunListOpReply reply;
  StoreStatus status = CallForReply(request, op, &reply);
  if (!status.ok()) return status.code() == StoreStatus::kBusy ? kBusy : kStorageError;
  if (reply.code == kInvalidHandle) return kStorageError;
  if (reply.code == 0) *record = std::move(reply.record);
  return static_cast<int>(reply.code);
}

// A path the service would not decode: refused here, as the service would.
bool TooLong(std::string_view path) { return path.size() > protocol::kMaxRunFilePath; }

class Proxy final : public RunListRemote {
 public:
  bool InUse() override { return UsesComplianceService(); }

  int DeleteFileRecord(std::string_view path, bool file_existed, std::string* record) override {
    if (TooLong(path)) return kInvalidArgument;
    return Operate(protocol::EncodeRequest(protocol::RunListDeleteRequest{
                       CurrentActor(), std::string(path), file_existed}),
                   protocol::kOpRunListDelete, record);
  }

  int MoveFileRecord(std::string_view new_path, std::string_view old_path, bool replaced,
                     std::string* record) override {
    if (TooLong(new_path) || TooLong(old_path)) return kInvalidArgument;
    return Operate(protocol::EncodeRequest(protocol::RunListMoveRequest{
                       CurrentActor(), std::string(new_path), std::string(old_path), replaced}),
                   protocol::kOpRunListMove, record);
  }

  int ImportFileRecord(std::string_view path, std::string* record) override {
    if (TooLong(path)) return kInvalidArgument;
    return Operate(protocol::EncodeRequest(
                       protocol::RunListImportRequest{CurrentActor(), std::string(path)}),
                   protocol::kOpRunListImport, record);
  }

  int RecordFileOperation(int type, std::string_view path, std::string_view source_path,
                          std::string* record) override {
    if (TooLong(path) || TooLong(source_path)) return kInvalidArgument;
    return Operate(protocol::EncodeRequest(protocol::RunListRecordRequest{
                       CurrentActor(), type, std::string(path), std::string(source_path)}),
                   protocol::kOpRunListRecord, record);
  }

  StoreStatus LoadPage(bool history, uint64_t start, RunListPage* page) override {
    const protocol::Operation op =
        history ? protocol::kOpRunHistoryPage : protocol::kOpRunListPage;
    if (start > static_cast<uint64_t>(INT64_MAX)) {
      return StoreStatus(StoreStatus::kInvalid, "a run list page beyond the last");
    }
    protocol::RunListPageReply reply;
    StoreStatus status =
        CallForReply(protocol::EncodePageRequest(op, {static_cast<int64_t>(start)}), op, &reply);
    if (!status.ok()) return status;
    page->records = std::move(reply.records);
    page->next = static_cast<uint64_t>(reply.next);
    page->more = reply.more;
    page->total = static_cast<uint64_t>(reply.total);
    return StoreStatus::Ok();
  }
};

}  // namespace

RunListRemote& RunListProxy() {
  // An object, not a leaked allocation: the library can be unloaded.
  static Proxy proxy;
  return proxy;
}

}  // namespace tav::client
