// The run-list operations of the compliance service (40-45): the four
// operations of CRunListManager and the pages of its two listings, each
// request and reply as a struct with its encoder and decoder.
//
// An operation names its actor (operations.h: Actor), never a user: the
// service records the name it gives the actor, and the date. Its reply
// holds the run list's result code and the record written (its chunk
// bytes), or code 6 when the actor names a logon the connection does not
// hold. Listings are paged: a request names where to start, and the reply
// carries as many stored records as fit well under the frame limit, where
// the next page starts, and whether more follow.
//
// Thread safety: plain values.
#ifndef TAV_PROTOCOL_RUN_LIST_OPS_H_
#define TAV_PROTOCOL_RUN_LIST_OPS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/operations.h"
#include "protocol/wire.h"

namespace tav::protocol {

// The longest path a request may carry; a longer one does not decode.
inline constexpr size_t kMaxRunFilePath = kMaxTextField;
// The longest record a reply carries. A stored record beyond it (written
// in process, before the service) is sent empty: the client leaves it out
// of its list as unreadable.
inline constexpr size_t kMaxRunRecordBytes = 256 * 1024;
// What one page holds at most: records, and their bytes past the first.
inline constexpr size_t kRunListPageRecords = 8192;
inline constexpr size_t kRunListPageBytes = 512 * 1024;

// kOpRunListDelete: DeleteFileRecord.
struct RunListDeleteRequest {
  Actor actor;
  std::string path;
  bool file_existed = false;
};
// kOpRunListMove: MoveFileRecord.
struct RunListMoveRequest {
  Actor actor;
  std::string new_path;
  std::string old_path;
  bool replaced = false;
};
// kOpRunListImport: ImportFileRecord.
struct RunListImportRequest {
  Actor actor;
  std::string path;
};
// kOpRunListRecord: RecordFileOperation; the type is checked by the run
// list, as in process (an unknown one gets its invalid-argument code).
struct RunListRecordRequest {
  Actor actor;
  int64_t type = 0;
  std::string path;
  std::string source_path;  // "" for none
};
struct RunListOpReply {
  int64_t code = 0;    // the run list's result code, or 6 for the actor
  std::string record;  // on code 0: the record written
};

// kOpRunListPage (the run list) and kOpRunHistoryPage (its history).
struct RunListPageRequest {
  int64_t start = 0;  // 0 for the first page, else a reply's `next`
};
struct RunListPageReply {
  int64_t total = 0;  // about how many records the whole listing holds
  int64_t next = 0;
  bool more = false;
  std::vector<std::string> records;
};

MessageWriter EncodeRequest(const RunListDeleteRequest& request);
MessageWriter EncodeRequest(const RunListMoveRequest& request);
MessageWriter EncodeRequest(const RunListImportRequest& request);
MessageWriter EncodeRequest(const RunListRecordRequest& request);
// `op` is kOpRunListPage or kOpRunHistoryPage.
MessageWriter EncodePageRequest(Operation op, const RunListPageRequest& request);

StoreStatus DecodeRequest(MessageReader& r, RunListDeleteRequest* request);
StoreStatus DecodeRequest(MessageReader& r, RunListMoveRequest* request);
StoreStatus DecodeRequest(MessageReader& r, RunListImportRequest* request);
StoreStatus DecodeRequest(MessageReader& r, RunListRecordRequest* request);
StoreStatus DecodeRequest(MessageReader& r, RunListPageRequest* request);

MessageWriter EncodeReply(Operation op, const RunListOpReply& reply);
MessageWriter EncodeReply(Operation op, const RunListPageReply& reply);

StoreStatus DecodeReply(MessageReader& r, RunListOpReply* reply);
StoreStatus DecodeReply(MessageReader& r, RunListPageReply* reply);

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_RUN_LIST_OPS_H_
