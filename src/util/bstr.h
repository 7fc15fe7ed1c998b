// BSTR: the byte strings that cross the library's C interface in UserInfo
// and ESigInfo records.
//
// Layout, as the OLE allocator's byte-length form makes them: a 32-bit
// unsigned length in bytes, then the bytes (UTF-8), then a NUL that the
// length does not count. A BSTR points at the first byte, so it reads as a
// C string, and the length sits at ((const uint32_t*)s)[-1]. The bytes may
// themselves contain NULs; the length is authoritative.
//
// Ownership: a BSTR is allocated and freed only by these functions (hosts
// free them through the library's record functions), so hosts built on
// another runtime never free our memory with their allocator.
// Thread safety: any thread.
#ifndef TAV_UTIL_BSTR_H_
#define TAV_UTIL_BSTR_H_

#include <cstdint>
#include <string>
#include <string_view>

namespace tav {

using BSTR = char*;

// Longest BSTR we allocate, in bytes; longer requests fail (null).
inline constexpr uint32_t kMaxBstrBytes = 0x7fffffffu - 8;

// A new BSTR of `length` bytes copied from `data`, or zero bytes when data
// is null. Null when the memory cannot be had or length > kMaxBstrBytes.
BSTR SysAllocStringByteLen(const char* data, uint32_t length);

// A new BSTR copy of `s`. Null when the memory cannot be had.
BSTR SysAllocString(std::string_view s);

// Frees a BSTR; null is ignored. REQUIRES: s came from this file's
// allocators and was not freed before.
void SysFreeString(BSTR s);

// The length in bytes; 0 for null.
uint32_t SysStringByteLen(const char* s);

// The content as a std::string; "" for null.
std::string BstrToString(const char* s);

// Frees *s and sets it to null.
inline void ClearBstr(BSTR* s) {
  SysFreeString(*s);
  *s = nullptr;
}

}  // namespace tav

#endif  // TAV_UTIL_BSTR_H_
