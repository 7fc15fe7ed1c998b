#include "util/bstr.h"

#include <cstdlib>
#include <cstring>

namespace tav {

namespace {
constexpr size_t kPrefixBytes = sizeof(uint32_t);
}  // namespace

BSTR SysAllocStringByteLen(const char* data, uint32_t length) {
  if (length > kMaxBstrBytes) return nullptr;
  char* block = static_cast<char*>(std::malloc(kPrefixBytes + length + 1));
  if (block == nullptr) return nullptr;
  std::memcpy(block, &length, kPrefixBytes);
  char* text = block + kPrefixBytes;
  if (data != nullptr) {
    std::memcpy(text, data, length);
  } else {
    std::memset(text, 0, length);
  }
  text[length] = '\0';
  return text;
}

BSTR SysAllocString(std::string_view s) {
  if (s.size() > kMaxBstrBytes) return nullptr;
  // An empty view may have a null data pointer; it still makes an empty
  // string, never a null one.
  return SysAllocStringByteLen(s.empty() ? "" : s.data(), static_cast<uint32_t>(s.size()));
}

void SysFreeString(BSTR s) {
  if (s == nullptr) return;
  std::free(s - kPrefixBytes);
}

uint32_t SysStringByteLen(const char* s) {
  if (s == nullptr) return 0;
  uint32_t length;
  std::memcpy(&length, s - kPrefixBytes, kPrefixBytes);
  return length;
}

std::string BstrToString(const char* s) {
  if (s == nullptr) return {};
  return std::string(s, SysStringByteLen(s));
}

}  // namespace tav
