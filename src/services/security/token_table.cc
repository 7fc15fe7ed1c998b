#include "services/security/token_table.h"

#include <utility>

#include "util/library_lifetime.h"

namespace tav {
namespace {

// Handle layout: tag (16 bits) | generation (24 bits) | slot index (24 bits).
// The tag sits where user-space addresses hold zero bits, so no pointer and
// no small integer decodes as a handle.
static_assert(sizeof(void*) == 8, "token handles need 64-bit pointers");
constexpr uint64_t kTag = 0x7A5C;
constexpr uint64_t kFieldMask = 0xFFFFFF;
static_assert(TokenTable::kMaxHandles <= kFieldMask + 1);

void* Encode(uint32_t index, uint32_t generation) {
  uint64_t value = (kTag << 48) | ((generation & kFieldMask) << 24) | index;
  return reinterpret_cast<void*>(static_cast<uintptr_t>(value));
}

}  // namespace

TokenTable& TokenTable::Global() {
  // Not destroyed at exit: a thread or a static destructor may still close a
  // handle while the process exits.
  static UntilUnload<TokenTable> table;
  return table.Get();
}

void* TokenTable::Insert(std::shared_ptr<const Identity> identity) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (live_ >= max_handles_) return nullptr;
  uint32_t index;
  if (!free_.empty()) {
    index = free_.front();
    free_.pop_front();
  } else {
    index = static_cast<uint32_t>(slots_.size());
    slots_.emplace_back();
  }
  slots_[index].identity = std::move(identity);
  ++live_;
  return Encode(index, slots_[index].generation);
}

long long TokenTable::Locate(const void* handle) const {
  uint64_t value = static_cast<uint64_t>(reinterpret_cast<uintptr_t>(handle));
  if ((value >> 48) != kTag) return -1;
  uint64_t index = value & kFieldMask;
  uint64_t generation = (value >> 24) & kFieldMask;
  if (index >= slots_.size()) return -1;
  const Slot& slot = slots_[index];
  if (slot.identity == nullptr || (slot.generation & kFieldMask) != generation) {
    return -1;
  }
  return static_cast<long long>(index);
}

std::shared_ptr<const Identity> TokenTable::Find(const void* handle) const {
  std::lock_guard<std::mutex> lock(mutex_);
  long long index = Locate(handle);
  return index < 0 ? nullptr : slots_[index].identity;
}

bool TokenTable::Remove(const void* handle) {
  std::shared_ptr<const Identity> released;  // dropped after the unlock
  {
    std::lock_guard<std::mutex> lock(mutex_);
    long long index = Locate(handle);
    if (index < 0) return false;
    Slot& slot = slots_[index];
    released = std::move(slot.identity);
    slot.identity = nullptr;
    ++slot.generation;
    free_.push_back(static_cast<uint32_t>(index));
    --live_;
  }
  return true;
}

size_t TokenTable::size() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return live_;
}

}  // namespace tav
