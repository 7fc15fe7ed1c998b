// The operations of the compliance service: their numbers, and each
// request and reply as a struct with its encoder and decoder. The service
// and the client share these definitions, so that the two sides cannot
// disagree on a field's order or limit.
//
// Every reply starts with a status: 0, or a negative kReply* code with a
// message for a person (a refused request, a store that failed). The
// operation's own result (a logon's result code, say) is a field after it.
//
// Users are never named by the client for what the service records: a
// logon is one call that authenticates and records its event, a logoff
// names the logon by the token the same connection received, and tokens
// are numbers that mean something only on the connection that received
// them.
//
// Operation numbers are written on the socket and must not change.
//
// Thread safety: plain values.
#ifndef TAV_PROTOCOL_OPERATIONS_H_
#define TAV_PROTOCOL_OPERATIONS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/wire.h"

namespace tav::protocol {

enum Operation : uint16_t {
  kOpHello = 1,
  kOpGetDomain = 2,
  kOpAuthenticate = 3,
  kOpLogon = 4,
  kOpDuplicateToken = 5,
  kOpCloseToken = 6,
  kOpIsOsAdmin = 7,
  kOpRecordLogoff = 8,
  kOpRecordedUserName = 9,
  // The system event log (protocol/event_ops.h).
  kOpListEvents = 20,
  kOpVerifyEvents = 21,
  kOpVerifyStore = 22,
  kOpSignExport = 23,
  kOpLogWriters = 24,
  kOpRecordReview = 25,
  // The run list (protocol/run_list_ops.h).
  kOpRunListDelete = 40,
  kOpRunListMove = 41,
  kOpRunListImport = 42,
  kOpRunListRecord = 43,
  kOpRunListPage = 44,
  kOpRunHistoryPage = 45,
  // The settings (protocol/settings_ops.h).
  kOpReadSetting = 30,
  kOpVerifySettings = 31,
  kOpReadConfigTrail = 32,
  kOpWriteSettings = 33,
  kOpAcceptSettings = 34,
  kOpMayPerform = 35,
  // The local backend's accounts and the lockout (protocol/account_ops.h).
  kOpListAccounts = 50,
  kOpChangeAccount = 51,
  kOpChangePassword = 52,
  kOpListChangedUids = 53,
};

// "authenticate" for kOpAuthenticate, "operation 77" for unknown numbers.
std::string OperationName(uint16_t operation);

// Reply statuses (the first field of every reply).
inline constexpr int64_t kReplyOk = 0;
inline constexpr int64_t kReplyMalformed = -1;     // the request did not decode
inline constexpr int64_t kReplyUnknown = -2;       // no such operation or version
inline constexpr int64_t kReplyRefused = -3;       // the peer may not do this
inline constexpr int64_t kReplyStoreFailed = -4;   // the store could not do it

// What a client learns of a user: the service's record of an account.
struct WireUser {
  std::string user_name;
  std::string domain;
  std::string logon_server;
  std::string full_name;
  std::string description;
  bool is_admin = false;
  std::vector<std::string> groups;
  // When the password expires (seconds since the epoch); 0 for never or
  // not known.
  int64_t password_expires_at = 0;
  int64_t password_warn_at = 0;  // from when a logon is told of the expiry
};

// Why an authentication was done, which decides the events the service
// records with it.
enum class AuthPurpose : int64_t {
  kCheck = 0,      // no event (a re-check of a signer, an administrator's --by)
  kLogin = 1,      // "Successful Login", or "Failed Login" (and "Account Locked")
  kSignature = 2,  // on failure "Failed E-Signature Attempt" (and "Account Locked")
};

// Who a request acts for, in requests whose records name a user (settings
// changes, run-list operations). The client names one of its connection's
// logons by number, never a user: the service takes the name from its own
// record of that logon, or, with no logon, from the peer's credentials.
inline constexpr int64_t kNoLogon = 0;
// A logon the client held on an earlier connection: always refused.
inline constexpr int64_t kStaleLogon = -1;
struct Actor {
  int64_t logon = kNoLogon;
  // Name the peer's system user beside the account (tavsec).
  bool show_system_user = false;
};
void EncodeActor(MessageWriter& w, const Actor& actor);
StoreStatus DecodeActor(MessageReader& r, Actor* actor);

struct HelloRequest {
  int64_t client_version = kProtocolVersion;
};
struct HelloReply {
  int64_t service_version = kProtocolVersion;
  int64_t peer_uid = -1;  // who the service saw asking
};

struct DomainReply {
  bool has_domain = false;
  std::string domain;
};

// The password travels only in the request; the writer wipes it.
struct AuthenticateRequest {
  AuthPurpose purpose = AuthPurpose::kCheck;
  std::string user;
  std::string domain;
  std::string password;
};
struct AuthenticateReply {
  int64_t code = 0;           // the security service's result (0, -1, 1326, ...)
  bool locked_now = false;    // this attempt locked the account
  std::string recorded_name;  // the name the failure's events carry
  std::string detail;         // why the backend was unavailable (1311)
  // The events of the attempt: 0 when they are stored (or none was due),
  // else the store's failure, which refuses the attempt.
  int64_t event_status = 0;
  std::string event_message;
  WireUser user;  // filled on success
};

// Logs a user on: authenticates, and on success the connection holds a
// logon whose token is returned. With kCheck no event (the login dialog
// records its own with kOpAuthenticate first); with kLogin the logon is
// the login and records its events as kOpAuthenticate does, so that a
// client that needs both (tavsec --by) checks the password once. A logon
// whose event is not stored does not happen.
struct LogonRequest {
  std::string user;
  std::string domain;
  std::string password;
  AuthPurpose purpose = AuthPurpose::kCheck;  // kCheck or kLogin
};
struct LogonReply {
  int64_t code = 0;
  int64_t token = 0;  // nonzero on success; valid on this connection only
  std::string detail;
  WireUser user;
  // As in AuthenticateReply; set with kLogin only.
  bool locked_now = false;
  std::string recorded_name;
  int64_t event_status = 0;
  std::string event_message;
};

struct TokenRequest {
  int64_t token = 0;
};
// kOpDuplicateToken: code 0 and a new token, or 6 for a token this
// connection does not hold. kOpCloseToken: code 0 or 6.
struct TokenReply {
  int64_t code = 0;
  int64_t token = 0;
};

struct FlagReply {
  bool flag = false;
};

// kOpRecordLogoff: the service records "Logged Off" for the user of the
// token (which stays open); 6 for a token this connection does not hold.
struct EventReply {
  int64_t code = 0;
  int64_t event_status = 0;
  std::string event_message;
};

struct NameRequest {
  std::string name;
};
struct NameReply {
  std::string name;
};

// Encoders build the frame of a request or of an ok reply; decoders read
// the fields after version and operation (and, for replies, after the
// status) and fail on anything malformed.
void EncodeUser(MessageWriter& w, const WireUser& user);
WireUser DecodeUser(MessageReader& r);

MessageWriter EncodeRequest(const HelloRequest& request);
MessageWriter EncodeRequest(const AuthenticateRequest& request);
MessageWriter EncodeRequest(const LogonRequest& request);
MessageWriter EncodeTokenRequest(Operation op, const TokenRequest& request);
MessageWriter EncodeNameRequest(const NameRequest& request);
MessageWriter EncodeEmptyRequest(Operation op);

StoreStatus DecodeRequest(MessageReader& r, HelloRequest* request);
StoreStatus DecodeRequest(MessageReader& r, AuthenticateRequest* request);
StoreStatus DecodeRequest(MessageReader& r, LogonRequest* request);
StoreStatus DecodeRequest(MessageReader& r, TokenRequest* request);
StoreStatus DecodeRequest(MessageReader& r, NameRequest* request);

// A reply: the operation, status 0 and the fields. ErrorReply carries a
// negative status and its message and no fields.
MessageWriter EncodeReply(Operation op, const HelloReply& reply);
MessageWriter EncodeReply(Operation op, const DomainReply& reply);
MessageWriter EncodeReply(Operation op, const AuthenticateReply& reply);
MessageWriter EncodeReply(Operation op, const LogonReply& reply);
MessageWriter EncodeReply(Operation op, const TokenReply& reply);
MessageWriter EncodeReply(Operation op, const FlagReply& reply);
MessageWriter EncodeReply(Operation op, const EventReply& reply);
MessageWriter EncodeReply(Operation op, const NameReply& reply);
MessageWriter ErrorReply(uint16_t op, int64_t status, const std::string& message);

// Reads a reply's status. A negative status becomes a failed StoreStatus
// with the service's message (kUnavailable for a store failure, kInvalid
// otherwise); the caller then reads no fields.
StoreStatus ReadReplyStatus(MessageReader& r, uint16_t expected_op);

StoreStatus DecodeReply(MessageReader& r, HelloReply* reply);
StoreStatus DecodeReply(MessageReader& r, DomainReply* reply);
StoreStatus DecodeReply(MessageReader& r, AuthenticateReply* reply);
StoreStatus DecodeReply(MessageReader& r, LogonReply* reply);
StoreStatus DecodeReply(MessageReader& r, TokenReply* reply);
StoreStatus DecodeReply(MessageReader& r, FlagReply* reply);
StoreStatus DecodeReply(MessageReader& r, EventReply* reply);
StoreStatus DecodeReply(MessageReader& r, NameReply* reply);

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_OPERATIONS_H_
