#include "service/run_list_handling.h"

#include <algorithm>

#include "service/acting.h"
#include "services/filelib/filelib_codes.h"
#include "services/security/result_codes.h"
#include "util/file.h"
#include "util/strings.h"

namespace tav::service {

bool AcceptableRunFilePath(std::string_view path) { return !HasControlChar(path); }

HandlerReply RunRunListOperation(Session& session, protocol::Operation op,
                                 const protocol::Actor& actor,
                                 std::initializer_list<std::string_view> paths,
                                 const RunListCall& operation) {
  protocol::RunListOpReply reply;
  std::string name;
  if (!ActingName(session, actor, &name)) {
    reply.code = kSecInvalidHandle;
    return protocol::EncodeReply(op, reply);
  }
  for (std::string_view path : paths) {
    if (!AcceptableRunFilePath(path)) {
      reply.code = kFileLibInvalidArgument;
      return protocol::EncodeReply(op, reply);
    }
  }
  CRunListManager manager;
  manager.ActFor(std::move(name));
  CFileRecordComp record;
  reply.code = operation(manager, &record);
  if (reply.code == kFileLibOk) {
    CMemFile file(256);
    record.StreamDataOut(&file);
    reply.record = file.TakeString();
  }
  return protocol::EncodeReply(op, reply);
}

HandlerReply ServeRunListPage(protocol::MessageReader& request, bool history) {
  const protocol::Operation op = history ? protocol::kOpRunHistoryPage : protocol::kOpRunListPage;
  protocol::RunListPageRequest page_request;
  if (!protocol::DecodeRequest(request, &page_request).ok()) return std::nullopt;
  CRunListManager manager;
  RunListPage page;
  StoreStatus status =
      manager.ReadPage(history, static_cast<uint64_t>(page_request.start),
                       protocol::kRunListPageBytes, protocol::kRunListPageRecords, &page);
  if (!status.ok()) {
    return protocol::ErrorReply(op, protocol::kReplyStoreFailed,
                                std::string(history ? "run file history" : "run list") +
                                    " not read: " + status.message());
  }
  protocol::RunListPageReply reply;
  reply.total = static_cast<int64_t>(std::min<uint64_t>(page.total, INT64_MAX));
  reply.next = static_cast<int64_t>(std::min<uint64_t>(page.next, INT64_MAX));
  reply.more = page.more;
  reply.records = std::move(page.records);
  for (std::string& record : reply.records) {
    // Too long for the client to take: sent empty, left out as unreadable.
    if (record.size() > protocol::kMaxRunRecordBytes) record.clear();
  }
  return protocol::EncodeReply(op, reply);
}

}  // namespace tav::service
