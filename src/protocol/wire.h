// The wire format between the compliance service (tavsecd) and its clients
// (the library, tavsec): frames and the fields inside them. No I/O here: the
// service and the client read and write frames with util/socket_io.h and
// hand the bytes to these decoders, which check every length before they
// read (docs/service-protocol.md writes the format up).
//
// A frame is a 4-byte big-endian payload length and the payload. The
// payload of a request is the protocol version (u16), the operation (u16)
// and the operation's fields; a reply repeats version and operation and
// then holds its fields. A field is a type byte and its value:
//   1  integer: 8 bytes, big-endian two's complement
//   2  bytes:   4-byte big-endian length, then that many bytes
// Fields have no names: each operation reads its fields in a fixed order
// (protocol/operations.h) and a reply or request with fields missing, of the
// wrong type, or left over is malformed.
//
// These values are written on the socket and must not change; a new
// operation gets a new number and an incompatible change a new version.
//
// Thread safety: plain values.
#ifndef TAV_PROTOCOL_WIRE_H_
#define TAV_PROTOCOL_WIRE_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "util/store_status.h"

namespace tav::protocol {

inline constexpr uint16_t kProtocolVersion = 3;
inline constexpr size_t kFrameHeaderBytes = 4;
// The largest payload either side accepts. Replies that could grow beyond
// it (listings) are sent as several frames.
inline constexpr uint32_t kMaxPayloadBytes = 1u << 20;
// The longest text field of a request (a user name, a password, a domain).
inline constexpr size_t kMaxTextField = 4096;
// The most entries a list field may announce (groups of a user).
inline constexpr uint32_t kMaxListEntries = 4096;

enum FieldType : uint8_t { kFieldInteger = 1, kFieldBytes = 2 };

// The payload length a frame header announces. kInvalid when it exceeds
// kMaxPayloadBytes (the connection is then ended: its stream cannot be
// resynchronised).
StoreStatus DecodeFrameHeader(const uint8_t header[kFrameHeaderBytes], uint32_t* length);

// Builds one payload. Strings may hold any bytes. A writer that holds a
// password wipes its buffer when it ends.
class MessageWriter {
 public:
  explicit MessageWriter(uint16_t operation);
  ~MessageWriter();
  MessageWriter(const MessageWriter&) = delete;
  MessageWriter& operator=(const MessageWriter&) = delete;
  // Takes the payload over; `other` is left empty (nothing to wipe twice).
  MessageWriter(MessageWriter&& other) noexcept;
  MessageWriter& operator=(MessageWriter&&) = delete;

  MessageWriter& Int(int64_t value);
  MessageWriter& Bytes(std::string_view value);
  MessageWriter& StringList(const std::vector<std::string>& values);

  // The frame: header and payload. kInvalid when the payload grew beyond
  // kMaxPayloadBytes.
  StoreStatus Frame(std::string* frame) const;
  const std::string& payload() const { return payload_; }

 private:
  std::string payload_;
};

// Reads one payload. Each read checks the type and the length against the
// end of the payload; the first failure sticks, later reads fail too, and
// status() names it (callers check once, at the end, with Finish()).
class MessageReader {
 public:
  // `payload` must outlive the reader.
  explicit MessageReader(std::string_view payload);

  uint16_t version() const { return version_; }
  uint16_t operation() const { return operation_; }

  int64_t Int();
  // An integer that must lie in [min, max].
  int64_t IntIn(int64_t min, int64_t max);
  bool Bool() { return IntIn(0, 1) != 0; }
  // A bytes field of at most `max_length` bytes.
  std::string Bytes(size_t max_length = kMaxTextField);
  std::vector<std::string> StringList(size_t max_entry_length = kMaxTextField);

  // Ok when every read succeeded and nothing is left over.
  StoreStatus Finish();
  const StoreStatus& status() const { return status_; }
  bool ok() const { return status_.ok(); }

 private:
  void Fail(std::string message);
  bool Take(size_t n, const char** data);

  std::string_view rest_;
  uint16_t version_ = 0;
  uint16_t operation_ = 0;
  StoreStatus status_;
};

}  // namespace tav::protocol

#endif  // TAV_PROTOCOL_WIRE_H_
