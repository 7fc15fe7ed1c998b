#include "services/filelib/event_arena.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>

#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/tag_registry.h"

namespace tav {

namespace {

// Live arenas, so that a deleted object is told to be an arena's by its
// address alone (no header per object). A few arenas live at once at most;
// when all slots are taken, loads use the heap.
constexpr int kMaxArenas = 16;

struct Slot {
  std::atomic<uintptr_t> begin{0};  // 0: free; set last, cleared first
  std::atomic<uintptr_t> end{0};
  std::atomic<EventArena*> arena{nullptr};
};

Slot g_slots[kMaxArenas];
std::mutex g_slots_mutex;

constexpr size_t kAlign = alignof(std::max_align_t);

}  // namespace

class EventArena {
 public:
  static EventArena* Create(size_t bytes) {
    constexpr size_t kHugePage = size_t{2} << 20;
    bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    std::lock_guard<std::mutex> lock(g_slots_mutex);
    Slot* slot = nullptr;
    for (Slot& s : g_slots) {
      if (s.arena.load(std::memory_order_relaxed) == nullptr) {
        slot = &s;
        break;
      }
    }
    if (slot == nullptr) return nullptr;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    // Huge pages where offered, then all pages in one call instead of one
    // fault each; both are hints, and failing them costs only speed.
    madvise(block, bytes, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    madvise(block, bytes, MADV_POPULATE_WRITE);
#endif
    auto* arena = new EventArena(static_cast<char*>(block), bytes, slot);
    slot->arena.store(arena, std::memory_order_relaxed);
    slot->end.store(reinterpret_cast<uintptr_t>(block) + bytes, std::memory_order_relaxed);
    slot->begin.store(reinterpret_cast<uintptr_t>(block), std::memory_order_release);
    return arena;
  }

  // The arena holding `object`, or null for an object from the heap.
  static EventArena* Of(const void* object) {
    const auto p = reinterpret_cast<uintptr_t>(object);
    for (Slot& s : g_slots) {
      const uintptr_t begin = s.begin.load(std::memory_order_acquire);
      if (begin != 0 && p >= begin && p < s.end.load(std::memory_order_relaxed)) {
        return s.arena.load(std::memory_order_relaxed);
      }
    }
    return nullptr;
  }

  // Null when full.
  void* Allocate(size_t size) {
    size = (size + kAlign - 1) & ~(kAlign - 1);
    if (size > size_ - used_) return nullptr;
    void* p = block_ + used_;
    used_ += size;
    live_.fetch_add(1, std::memory_order_relaxed);
    return p;
  }

  void Release() {
    if (live_.fetch_sub(1, std::memory_order_acq_rel) == 1) Free();
  }

  // The scope ended: the arena goes once its objects have gone.
  void Detach() { Release(); }

 private:
  EventArena(char* block, size_t size, Slot* slot) : block_(block), size_(size), slot_(slot) {}
  void Free() {
    {
      // No object of this arena is left, so nobody looks it up any more.
      std::lock_guard<std::mutex> lock(g_slots_mutex);
      slot_->begin.store(0, std::memory_order_release);
      slot_->end.store(0, std::memory_order_relaxed);
      slot_->arena.store(nullptr, std::memory_order_relaxed);
    }
    munmap(block_, size_);
    delete this;
  }

  char* block_;
  size_t size_;
  Slot* slot_;
  size_t used_ = 0;
  // The objects placed here, plus one while the scope lives.
  std::atomic<size_t> live_{1};
};

namespace {

thread_local EventArena* t_arena = nullptr;

void* Allocate(size_t size) {
  if (t_arena != nullptr) {
    if (void* p = t_arena->Allocate(size)) return p;
  }
  void* p = std::malloc(size);
  if (p == nullptr) throw std::bad_alloc();
  return p;
}

void Deallocate(void* object) noexcept {
  if (object == nullptr) return;
  if (EventArena* arena = EventArena::Of(object)) {
    arena->Release();
  } else {
    std::free(object);
  }
}

class CArenaAuditEvent final : public CAuditEventComp {
 public:
  static void* operator new(size_t size) { return Allocate(size); }
  static void operator delete(void* object) noexcept { Deallocate(object); }
};

class CArenaAuditEntry final : public CAuditEntryComp {
 public:
  static void* operator new(size_t size) { return Allocate(size); }
  static void operator delete(void* object) noexcept { Deallocate(object); }
};

std::unique_ptr<CComponent> MakeEvent(const ComponentTag&) {
  return std::make_unique<CArenaAuditEvent>();
}
std::unique_ptr<CComponent> MakeEntry(const ComponentTag&) {
  return std::make_unique<CArenaAuditEntry>();
}

}  // namespace

ScopedEventArena::ScopedEventArena(size_t objects) : previous_(t_arena) {
  // An event and its entry, as Allocate rounds them.
  auto rounded = [](size_t size) { return (size + kAlign - 1) & ~(kAlign - 1); };
  const size_t per_event = rounded(sizeof(CArenaAuditEvent)) + rounded(sizeof(CArenaAuditEntry));
  arena_ = objects == 0 ? nullptr : EventArena::Create(objects * per_event);
  if (arena_ != nullptr) t_arena = arena_;
}

ScopedEventArena::~ScopedEventArena() {
  if (arena_ == nullptr) return;
  t_arena = previous_;
  arena_->Detach();
}

void RegisterArenaEventKinds() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentMaker("AEvt", &MakeEvent);
    RegisterComponentMaker("AEnx", &MakeEntry);
  });
}

}  // namespace tav
