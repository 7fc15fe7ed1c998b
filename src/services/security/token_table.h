// TokenTable: the table behind the HANDLE values that stand for access tokens.
//
// A handle is never a pointer. It encodes a slot index, the slot's generation
// and a fixed tag, so that a closed handle, a handle whose slot has since been
// reused (stale) and a made-up value are all recognised and refused instead of
// being dereferenced. Each handle is independent: a duplicate is a new slot
// sharing the same Identity, and closing one leaves the other valid.
//
// Thread safety: all members may be called from any thread (one mutex).
// Ownership: the table keeps a reference to each live handle's Identity until
// the handle is removed.
#ifndef TAV_SERVICES_SECURITY_TOKEN_TABLE_H_
#define TAV_SERVICES_SECURITY_TOKEN_TABLE_H_

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

#include "services/security/identity.h"

namespace tav {

class TokenTable {
 public:
  // Most handles that may be open at once; beyond it Insert fails.
  static constexpr size_t kMaxHandles = size_t{1} << 20;

  // REQUIRES: max_handles <= kMaxHandles.
  explicit TokenTable(size_t max_handles = kMaxHandles) : max_handles_(max_handles) {}
  TokenTable(const TokenTable&) = delete;
  TokenTable& operator=(const TokenTable&) = delete;

  // The table of the process.
  static TokenTable& Global();

  // A new handle for `identity` (REQUIRES: not null). Null when the table is
  // full.
  void* Insert(std::shared_ptr<const Identity> identity);

  // The identity of a live handle; null for any other value.
  std::shared_ptr<const Identity> Find(const void* handle) const;

  // Closes a live handle. False (and nothing changes) for any other value.
  bool Remove(const void* handle);

  size_t size() const;

 private:
  struct Slot {
    uint32_t generation = 1;
    std::shared_ptr<const Identity> identity;  // null while the slot is free
  };

  // The slot index of a live handle, or -1.
  long long Locate(const void* handle) const;

  const size_t max_handles_;
  mutable std::mutex mutex_;
  std::vector<Slot> slots_;
  // Free slots, oldest first: a closed handle's slot is reused as late as
  // possible, which makes stale handles rarer still.
  std::deque<uint32_t> free_;
  size_t live_ = 0;
};

}  // namespace tav

#endif  // TAV_SERVICES_SECURITY_TOKEN_TABLE_H_
