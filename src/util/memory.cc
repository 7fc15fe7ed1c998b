#include "util/memory.h"

#include <sys/mman.h>

#include <cstdint>

namespace tav {

void AdviseHugePages(void* data, size_t size) {
#ifdef MADV_HUGEPAGE
  constexpr uintptr_t kHuge = uintptr_t{2} << 20;
  const auto begin = reinterpret_cast<uintptr_t>(data);
  const uintptr_t first = (begin + kHuge - 1) & ~(kHuge - 1);
  const uintptr_t last = (begin + size) & ~(kHuge - 1);
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#else
  (void)data;
  (void)size;
#endif
}

void ResizeLargeString(std::string& s, size_t size) {
  if (size >= kLargeBufferBytes && s.capacity() < size) {
    std::string fresh;
    fresh.reserve(size);  // mapped, not yet touched
    AdviseHugePages(fresh.data(), size);
    s.swap(fresh);
  }
  s.resize(size);
}

}  // namespace tav
