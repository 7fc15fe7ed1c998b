// The operations of the system event log: paging through the stored events
// and checking the log's hash chain (or the whole store) in the service.
// Requests and replies with their encoders and decoders; operations.h holds
// the numbers.
//
// Clients never append to the log: the service records the events of
// logons, logoffs and signatures itself with the operations that cause
// them (operations.h).
//
// Thread safety: plain values.
#ifndef TAV_PROTOCOL_EVENT_OPS_H_
#define TAV_PROTOCOL_EVENT_OPS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/operations.h"
#include "protocol/wire.h"

namespace tav::protocol {

// Most events one page may hold, and the record bytes the service puts in
// one page: well under the frame limit, whatever the events hold.
inline constexpr int64_t kMaxEventsPerPage = 16384;
inline constexpr size_t kEventPageBytes = 512 * 1024;
// A stored record as a reply may carry it (a record can be damaged and
// longer than any event the library writes).
inline constexpr size_t kMaxEventRecordBytes = kMaxPayloadBytes;
// Most problems one verify reply names (each text at most kMaxTextField
// bytes); a count of the rest follows.
inline constexpr int64_t kMaxChainProblems = 200;

// kOpListEvents: the events stored from sequence number `from` on, at most
// `limit` of them.
struct ListEventsRequest {
  int64_t from = 1;
  int64_t limit = kMaxEventsPerPage;
};
struct StoredEvent {
  int64_t seq = 0;
  std::string record;  // the record's chunk as stored (it may not read)
};
struct ListEventsReply {
  std::vector<StoredEvent> events;  // in order of sequence number
  bool more = false;                // events after the last one follow
  int64_t last_seq = 0;             // the log's last sequence number now
};

// kOpVerifyEvents: the chain check of the system event log, run by the
// service. `result` is 0 or a negative file library code, with `error`.
struct WireChainProblem {
  int64_t kind = 0;  // ChainProblem::Kind
  int64_t seq = 0;
  int64_t seq_last = 0;
  std::string text;
};
struct VerifyEventsReply {
  int64_t result = 0;
  std::string error;
  int64_t count = 0;
  int64_t last_seq = 0;
  std::string head;  // 32 bytes, or empty for an empty log
  std::vector<WireChainProblem> problems;
  int64_t problems_left_out = 0;  // beyond kMaxChainProblems
};

// kOpVerifyStore: the whole check of the store (every log, the settings'
// seal, the database file), as the lines of tavsec's report. `status_code`
// is 0 or the StoreStatus code that stopped the check, with `error`; the
// lines gathered until then come with it.
inline constexpr int64_t kMaxReportLines = 2000;
inline constexpr size_t kMaxVerifyStoreError = 60 * 1024;
struct VerifyStoreReply {
  int64_t status_code = 0;
  std::string error;
  bool intact = true;
  std::vector<std::string> lines;
  int64_t lines_left_out = 0;  // beyond kMaxReportLines
};

// kOpSignExport: the service's signature over an export (a listing of the
// system event log or of the configuration audit trail up to `through`)
// that the client rendered, named by its SHA-256. The service renders it
// again from its store and signs only the same bytes. `log` is 0 (events)
// or 1 (trail); `format` 0 (CSV) or 1 (JSON).
inline constexpr size_t kMaxSignatureFile = 16 * 1024;
struct SignExportRequest {
  int64_t log = 0;
  int64_t format = 0;
  int64_t through = 0;
  std::string sha256;  // 32 bytes
};
struct SignExportReply {
  int64_t status_code = 0;  // StoreStatus code
  std::string error;
  std::string signature_file;
  std::string note;  // why it is not time-stamped, when it is not
};

// kOpLogWriters: who stored the records of a log (the lab store's login
// role of each row), as runs of records in a row with one writer, from
// record `from` on. `log` is 1 (events), 2 (trail) or 3 (run file
// history). A page holds at most kMaxWriterRunsPerPage runs; `more` says
// that runs follow the last one.
inline constexpr int64_t kMaxWriterRunsPerPage = 4096;
inline constexpr size_t kMaxWriterBytes = 64;  // a PostgreSQL role name is at most 63
struct LogWritersRequest {
  int64_t log = 1;
  int64_t from = 1;
};
struct WireWriterRun {
  int64_t first = 0;
  int64_t last = 0;
  std::string writer;
};
struct LogWritersReply {
  std::vector<WireWriterRun> runs;  // in order, none overlapping
  bool more = false;
};

MessageWriter EncodeRequest(const LogWritersRequest& request);
StoreStatus DecodeRequest(MessageReader& r, LogWritersRequest* request);
MessageWriter EncodeReply(Operation op, const LogWritersReply& reply);
StoreStatus DecodeReply(MessageReader& r, LogWritersReply* reply);

// kOpRecordReview: the signed review of a range of a log. The service checks
// the signer's password as a signature's (a failure records "Failed
// E-Signature Attempt", and "Password Expired" and "Account Locked" as for
// any signature) and then records "Audit Trail Reviewed" for the signer
// (services/filelib/audit_review.h). `log` is 0 (events) or 1 (trail).
inline constexpr size_t kMaxReviewMeaning = 256;
struct RecordReviewRequest {
  std::string user;
  std::string domain;
  std::string password;
  int64_t log = 0;
  int64_t first = 1;
  int64_t last = 1;
  std::string meaning;
  std::string comment;
};
struct RecordReviewReply {
  int64_t code = 0;           // the security service's result (0, 1326, ...)
  std::string recorded_name;  // whom the events name
  int64_t status_code = 0;    // StoreStatus code of recording (the review, or the failure's events)
  std::string message;
  int64_t count = 0;          // the records the review covers, when recorded
};
MessageWriter EncodeRequest(const RecordReviewRequest& request);
StoreStatus DecodeRequest(MessageReader& r, RecordReviewRequest* request);
MessageWriter EncodeReply(Operation op, const RecordReviewReply& reply);
StoreStatus DecodeReply(MessageReader& r, RecordReviewReply* reply);

MessageWriter EncodeRequest(const SignExportRequest& request);
StoreStatus DecodeRequest(MessageReader& r, SignExportRequest* request);
MessageWriter EncodeReply(Operation op, const SignExportReply& reply);
StoreStatus DecodeReply(MessageReader& r, SignExportReply* reply);

MessageWriter EncodeRequest(const ListEventsRequest& request);
StoreStatus DecodeRequest(MessageReader& r, ListEventsRequest* request);

MessageWriter EncodeReply(Operation op, const ListEventsReply& reply);
MessageWriter EncodeReply(Operation op, const VerifyEventsReply& reply);
StoreStatus DecodeReply(MessageReader& r, ListEventsReply* reply);
StoreStatus DecodeReply(MessageReader& r, VerifyEventsReply* reply);
MessageWriter EncodeReply(Operation op, const VerifyStoreReply& reply);
StoreStatus DecodeReply(MessageReader& r, VerifyStoreReply* reply);

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_EVENT_OPS_H_
