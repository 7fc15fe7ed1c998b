// Large buffers: asks the kernel for huge pages on big allocations, so that
// filling a 64 MiB record body costs a few dozen page faults, not sixteen
// thousand.
#ifndef TAV_UTIL_MEMORY_H_
#define TAV_UTIL_MEMORY_H_

#include <cstddef>
#include <string>

namespace tav {

// Buffers at least this large get the huge-page advice.
inline constexpr size_t kLargeBufferBytes = size_t{4} << 20;

// Advises huge pages for the 2 MiB-aligned part of [data, data + size).
// Harmless where the kernel does not support it.
void AdviseHugePages(void* data, size_t size);

// Makes `s` exactly `size` bytes long (zero-filled), advising huge pages
// before the buffer is first touched when it is freshly allocated and large.
void ResizeLargeString(std::string& s, size_t size);

}  // namespace tav

#endif  // TAV_UTIL_MEMORY_H_
