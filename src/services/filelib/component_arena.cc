#include "services/filelib/component_arena.h"

#include <sys/mman.h>

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>

#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/file_record_comp.h"
#include "records/record_date_comp.h"
#include "records/value_comps.h"
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

// A record kind whose objects are placed in the thread's arena.
template <typename Base>
class CArenaKind final : public Base {
 public:
  using Base::Base;
  static void* operator new(size_t size) { return Allocate(size); }
  static void operator delete(void* object) noexcept { Deallocate(object); }
};

template <typename T>
std::unique_ptr<CComponent> Make(const ComponentTag&) {
  return std::make_unique<CArenaKind<T>>();
}
template <typename T>
std::unique_ptr<CComponent> MakeTagged(const ComponentTag& tag) {
  return std::make_unique<CArenaKind<T>>(std::string_view(tag.bytes, 4));
}

// The size of an object as Allocate rounds it.
constexpr size_t Rounded(size_t size) { return (size + kAlign - 1) & ~(kAlign - 1); }

// An arena is mapped and filled at once, so it is sized from a count that
// a damaged store could overstate: beyond this, objects come from the heap.
constexpr size_t kMaxArenaBytes = size_t{1} << 30;

size_t RoomFor(size_t count, size_t per_object) {
  return count > kMaxArenaBytes / per_object ? kMaxArenaBytes : count * per_object;
}

}  // namespace

ScopedComponentArena::ScopedComponentArena(size_t bytes) : previous_(t_arena) {
  arena_ = bytes == 0 ? nullptr : EventArena::Create(std::min(bytes, kMaxArenaBytes));
  if (arena_ != nullptr) t_arena = arena_;
}

ScopedComponentArena::~ScopedComponentArena() {
  if (arena_ == nullptr) return;
  t_arena = previous_;
  arena_->Detach();
}

size_t ScopedComponentArena::EventBytes(size_t events) {
  return RoomFor(events, Rounded(sizeof(CArenaKind<CAuditEventComp>)) +
                            Rounded(sizeof(CArenaKind<CAuditEntryComp>)));
}

size_t ScopedComponentArena::FileRecordBytes(size_t records) {
  return RoomFor(records, Rounded(sizeof(CArenaKind<CFileRecordComp>)) +
                             Rounded(sizeof(CArenaKind<CRecordDateComp>)) +
                             Rounded(sizeof(CArenaKind<CByteComp>)) +
                             3 * Rounded(sizeof(CArenaKind<CTextComp>)));
}

void RegisterArenaEventKinds() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentMaker("AEvt", &Make<CAuditEventComp>);
    RegisterComponentMaker("AEnx", &Make<CAuditEntryComp>);
  });
}

void RegisterArenaFileRecordKinds() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterComponentMaker("FiRe", &Make<CFileRecordComp>);
    RegisterComponentMaker("ReDa", &Make<CRecordDateComp>);
    RegisterComponentMaker("FReT", &MakeTagged<CByteComp>);
    for (const char* tag : {"FFPa", "UsNa", "CFFi"}) {
      RegisterComponentMaker(tag, &MakeTagged<CTextComp>);
    }
  });
}

}  // namespace tav
