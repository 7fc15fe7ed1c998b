#include "protocol/wire.h"

#include <sodium.h>

#include <cstring>
#include <limits>

namespace tav::protocol {
namespace {

void PutBigEndian(std::string* out, uint64_t value, int bytes) {
  for (int i = bytes - 1; i >= 0; --i) out->push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

uint64_t GetBigEndian(const char* data, int bytes) {
  uint64_t value = 0;
  for (int i = 0; i < bytes; ++i) value = (value << 8) | static_cast<uint8_t>(data[i]);
  return value;
}

}  // namespace

StoreStatus DecodeFrameHeader(const uint8_t header[kFrameHeaderBytes], uint32_t* length) {
  const uint32_t n = static_cast<uint32_t>(
      GetBigEndian(reinterpret_cast<const char*>(header), kFrameHeaderBytes));
  if (n > kMaxPayloadBytes) {
    return StoreStatus(StoreStatus::kInvalid, "a frame of " + std::to_string(n) +
                                                  " bytes is larger than the limit of " +
                                                  std::to_string(kMaxPayloadBytes));
  }
  if (n < 4) {
    return StoreStatus(StoreStatus::kInvalid,
                       "a frame of " + std::to_string(n) + " bytes has no version and operation");
  }
  *length = n;
  return StoreStatus::Ok();
}

MessageWriter::MessageWriter(uint16_t operation) {
  PutBigEndian(&payload_, kProtocolVersion, 2);
  PutBigEndian(&payload_, operation, 2);
}

MessageWriter::MessageWriter(MessageWriter&& other) noexcept { payload_.swap(other.payload_); }

MessageWriter::~MessageWriter() {
  // Requests carry passwords: leave nothing of them in freed memory.
  if (!payload_.empty()) sodium_memzero(payload_.data(), payload_.size());
}

MessageWriter& MessageWriter::Int(int64_t value) {
  payload_.push_back(static_cast<char>(kFieldInteger));
  PutBigEndian(&payload_, static_cast<uint64_t>(value), 8);
  return *this;
}

MessageWriter& MessageWriter::Bytes(std::string_view value) {
  payload_.push_back(static_cast<char>(kFieldBytes));
  // Lengths beyond the frame limit are caught by Frame().
  const uint64_t n = std::min<uint64_t>(value.size(), std::numeric_limits<uint32_t>::max());
  PutBigEndian(&payload_, n, 4);
  payload_.append(value.data(), n);
  return *this;
}

MessageWriter& MessageWriter::StringList(const std::vector<std::string>& values) {
  Int(static_cast<int64_t>(values.size()));
  for (const std::string& value : values) Bytes(value);
  return *this;
}

StoreStatus MessageWriter::Frame(std::string* frame) const {
  if (payload_.size() > kMaxPayloadBytes) {
    return StoreStatus(StoreStatus::kInvalid, "a message of " + std::to_string(payload_.size()) +
                                                  " bytes is larger than the frame limit");
  }
  frame->clear();
  frame->reserve(kFrameHeaderBytes + payload_.size());
  PutBigEndian(frame, payload_.size(), kFrameHeaderBytes);
  frame->append(payload_);
  return StoreStatus::Ok();
}

MessageReader::MessageReader(std::string_view payload) : rest_(payload) {
  const char* head = nullptr;
  if (!Take(4, &head)) return;
  version_ = static_cast<uint16_t>(GetBigEndian(head, 2));
  operation_ = static_cast<uint16_t>(GetBigEndian(head + 2, 2));
}

void MessageReader::Fail(std::string message) {
  if (status_.ok()) status_ = StoreStatus(StoreStatus::kInvalid, std::move(message));
}

bool MessageReader::Take(size_t n, const char** data) {
  if (!status_.ok()) return false;
  if (rest_.size() < n) {
    Fail("the message ends inside a field");
    return false;
  }
  *data = rest_.data();
  rest_.remove_prefix(n);
  return true;
}

int64_t MessageReader::Int() {
  const char* data = nullptr;
  if (!Take(1, &data)) return 0;
  if (static_cast<uint8_t>(*data) != kFieldInteger) {
    Fail("an integer field was expected");
    return 0;
  }
  if (!Take(8, &data)) return 0;
  return static_cast<int64_t>(GetBigEndian(data, 8));
}

int64_t MessageReader::IntIn(int64_t min, int64_t max) {
  const int64_t value = Int();
  if (!ok()) return min;
  if (value < min || value > max) {
    Fail("the value " + std::to_string(value) + " is out of its range");
    return min;
  }
  return value;
}

std::string MessageReader::Bytes(size_t max_length) {
  const char* data = nullptr;
  if (!Take(1, &data)) return {};
  if (static_cast<uint8_t>(*data) != kFieldBytes) {
    Fail("a bytes field was expected");
    return {};
  }
  if (!Take(4, &data)) return {};
  const uint64_t n = GetBigEndian(data, 4);
  if (n > max_length) {
    Fail("a field of " + std::to_string(n) + " bytes is longer than its limit of " +
         std::to_string(max_length));
    return {};
  }
  if (!Take(static_cast<size_t>(n), &data)) return {};
  return std::string(data, static_cast<size_t>(n));
}

std::vector<std::string> MessageReader::StringList(size_t max_entry_length) {
  const int64_t count = IntIn(0, kMaxListEntries);
  std::vector<std::string> values;
  for (int64_t i = 0; i < count && ok(); ++i) values.push_back(Bytes(max_entry_length));
  if (!ok()) values.clear();
  return values;
}

StoreStatus MessageReader::Finish() {
  if (status_.ok() && !rest_.empty()) {
    Fail(std::to_string(rest_.size()) + " bytes are left over after the last field");
  }
  return status_;
}

}  // namespace tav::protocol
