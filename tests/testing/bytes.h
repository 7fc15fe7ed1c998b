// Helpers for tests that check records byte for byte.
#ifndef TAV_TESTS_TESTING_BYTES_H_
#define TAV_TESTS_TESTING_BYTES_H_

#include <cstdint>
#include <initializer_list>
#include <memory>
#include <string>

#include "records/component.h"
#include "util/file.h"

namespace tav::testing {

inline std::string Bytes(std::initializer_list<int> bytes) {
  std::string out;
  for (int b : bytes) out.push_back(static_cast<char>(b));
  return out;
}

// A chunk: tag, big-endian length of `body`, body.
inline std::string Chunk(const std::string& tag, const std::string& body) {
  std::string out = tag;
  const uint32_t n = static_cast<uint32_t>(body.size());
  out += Bytes({int(n >> 24), int((n >> 16) & 0xff), int((n >> 8) & 0xff), int(n & 0xff)});
  return out + body;
}

// A list chunk holding the given child chunks.
inline std::string ListChunk(const std::string& tag, std::initializer_list<std::string> children,
                             int count = -1) {
  const int n = count >= 0 ? count : static_cast<int>(children.size());
  std::string body = Bytes({(n >> 8) & 0xff, n & 0xff});
  for (const auto& c : children) body += c;
  return Chunk(tag, body);
}

inline std::string WriteToString(CComponent& c) {
  CMemFile file;
  EXPECT_EQ(c.StreamDataOut(&file), kRecordOk);
  return std::string(file.view());
}

}  // namespace tav::testing

#endif  // TAV_TESTS_TESTING_BYTES_H_
