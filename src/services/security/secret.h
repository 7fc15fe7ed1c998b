// SecretString: a buffer for a password that the library itself must hold.
//
// The bytes live in memory from sodium_malloc (guard pages, kept out of swap
// where the system allows) with a fixed capacity, so they are never copied by
// a reallocation; they are wiped with sodium_memzero when the string is
// cleared or destroyed. Use it for every password the library reads or keeps,
// and pass passwords on as `const char*` or std::string_view over it, never as
// std::string.
//
// Thread safety: one thread at a time per object. Ownership: the object owns
// its buffer; it can be moved, not copied.
#ifndef TAV_SERVICES_SECURITY_SECRET_H_
#define TAV_SERVICES_SECURITY_SECRET_H_

#include <cstddef>
#include <string_view>

namespace tav {

// Longest password the service accepts, in bytes.
inline constexpr size_t kMaxPasswordBytes = 1024;

class SecretString {
 public:
  // REQUIRES: capacity > 0. When the memory cannot be had, capacity() is 0
  // and every Append fails.
  explicit SecretString(size_t capacity = kMaxPasswordBytes);
  ~SecretString();

  SecretString(SecretString&& other) noexcept;
  SecretString& operator=(SecretString&& other) noexcept;
  SecretString(const SecretString&) = delete;
  SecretString& operator=(const SecretString&) = delete;

  // Adds one byte; false when the string is full.
  bool Append(char c);
  // Removes (and wipes) the last byte, if any.
  void PopBack();
  // Wipes the content; the capacity stays.
  void Clear();

  // Always NUL-terminated.
  const char* c_str() const { return data_ != nullptr ? data_ : ""; }
  size_t size() const { return size_; }
  size_t capacity() const { return capacity_; }
  bool empty() const { return size_ == 0; }
  std::string_view view() const { return {c_str(), size_}; }

 private:
  void Release();

  char* data_ = nullptr;
  size_t size_ = 0;
  size_t capacity_ = 0;
};

bool operator==(const SecretString& a, const SecretString& b);

enum class ReadSecretResult { kOk, kEndOfInput, kTooLong, kError };

// Reads one line from `fd` into *out (cleared first) with read(2), one byte at
// a time, so that no stdio buffer keeps a copy and the rest of the input
// stays unread. The line ends at '\n' or at the end of input; a final '\r' is
// dropped. kEndOfInput when the input ended before any byte; on kTooLong and
// kError *out is wiped.
ReadSecretResult ReadSecretLine(int fd, SecretString* out);

// Test hook: called with each secret buffer after it was wiped and just
// before its memory is freed, so that a test can prove the wipe. Null (the
// default) for none. Not for production use.
using SecretReleaseHook = void (*)(const void* data, size_t size);
void SetSecretReleaseHookForTesting(SecretReleaseHook hook);

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_SECRET_H_
