// The operations of the compliance settings (docs/service-protocol.md,
// "The settings"): reading a settings row, checking the seal, paging the
// configuration audit trail, writing settings (one or several rows in one
// transaction), accepting settings that fail their seal, and the access
// answer for one of the connection's logons.
//
// Records travel in their stored form; the service reads and checks every
// record a client sends before it uses it. Store failures travel as a
// StoreStatus code (0 for none) and its message, so that the client fails
// closed exactly as a process that reads the store itself.
//
// Thread safety: plain values.
#ifndef TAV_PROTOCOL_SETTINGS_OPS_H_
#define TAV_PROTOCOL_SETTINGS_OPS_H_

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/operations.h"
#include "protocol/wire.h"

namespace tav::protocol {

// The longest settings row name ("21EN", "ACss", ...).
inline constexpr size_t kMaxRowName = 16;
// The longest record (a setting, an audit event) a message carries.
inline constexpr size_t kMaxRecordBytes = kMaxPayloadBytes - 64 * 1024;
// The most rows one write request may change.
inline constexpr int64_t kMaxSettingWrites = 64;

// kOpReadSetting
struct SettingRowRequest {
  std::string row;
};
struct SettingRowReply {
  int64_t status = 0;  // a StoreStatus code: 0, or the read's failure
  std::string message;
  std::string record;  // the stored record (its default when none is stored)
};

// kOpVerifySettings: no request fields.
struct StoreResultReply {
  int64_t status = 0;
  std::string message;
};

// kOpReadConfigTrail
struct TrailPageRequest {
  int64_t from = 0;  // the first sequence number wanted; 0: from the first
};
struct TrailPageReply {
  int64_t status = 0;
  std::string message;
  std::vector<int64_t> numbers;     // each event's sequence number
  std::vector<std::string> events;  // each event's stored record
  int64_t next = 0;                 // where the next page starts
  bool more = false;
};

// kOpWriteSettings: every write or none, each with its audit event.
struct SettingWrite {
  std::string row;
  bool has_base = false;
  std::string base;
  std::string edit;
  std::string reason;
};
struct WriteSettingsRequest {
  Actor actor;
  std::vector<SettingWrite> writes;
};
// kOpWriteSettings and kOpAcceptSettings.
struct WriteSettingsReply {
  // 0, a configuration result code (kConfigInvalidValue, kConfigAccessDenied,
  // ...), or 6 for an actor's logon this connection does not hold.
  int64_t code = 0;
  std::string message;
  bool changed = false;
  std::vector<std::string> stored;  // what each write stored, on success
};

// kOpAcceptSettings
struct AcceptSettingsRequest {
  Actor actor;
  std::string reason;
};

// kOpMayPerform: may the connection's logon `logon` perform `activity`?
struct MayPerformRequest {
  int64_t logon = 0;
  int64_t activity = 0;
};
struct MayPerformReply {
  int64_t code = 0;       // 0, or 6 for a logon this connection does not hold
  bool allowed = false;   // true while the features are off
  bool features_on = true;
  int64_t status = 0;     // the settings' read failure (the answer failed closed)
  std::string message;
};

MessageWriter EncodeRequest(const SettingRowRequest& request);
MessageWriter EncodeRequest(const TrailPageRequest& request);
MessageWriter EncodeRequest(const WriteSettingsRequest& request);
MessageWriter EncodeRequest(const AcceptSettingsRequest& request);
MessageWriter EncodeRequest(const MayPerformRequest& request);

StoreStatus DecodeRequest(MessageReader& r, SettingRowRequest* request);
StoreStatus DecodeRequest(MessageReader& r, TrailPageRequest* request);
StoreStatus DecodeRequest(MessageReader& r, WriteSettingsRequest* request);
StoreStatus DecodeRequest(MessageReader& r, AcceptSettingsRequest* request);
StoreStatus DecodeRequest(MessageReader& r, MayPerformRequest* request);

MessageWriter EncodeReply(Operation op, const SettingRowReply& reply);
MessageWriter EncodeReply(Operation op, const StoreResultReply& reply);
MessageWriter EncodeReply(Operation op, const TrailPageReply& reply);
MessageWriter EncodeReply(Operation op, const WriteSettingsReply& reply);
MessageWriter EncodeReply(Operation op, const MayPerformReply& reply);

StoreStatus DecodeReply(MessageReader& r, SettingRowReply* reply);
StoreStatus DecodeReply(MessageReader& r, StoreResultReply* reply);
StoreStatus DecodeReply(MessageReader& r, TrailPageReply* reply);
StoreStatus DecodeReply(MessageReader& r, WriteSettingsReply* reply);
StoreStatus DecodeReply(MessageReader& r, MayPerformReply* reply);

// A StoreStatus sent as a code and message, and back.
void SetWireStatus(const StoreStatus& status, int64_t* code, std::string* message);
StoreStatus WireStatus(int64_t code, const std::string& message);

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_SETTINGS_OPS_H_
