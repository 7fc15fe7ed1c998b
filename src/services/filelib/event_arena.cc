#include "services/filelib/event_arena.h"

#include <sys/mman.h>

#include <atomic>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <new>

#include "records/audit_entry_comp.h"
#include "records/audit_event_comp.h"
#include "records/tag_registry.h"

namespace tav {

class EventArena {
 public:
  static EventArena* Create(size_t bytes) {
    constexpr size_t kHugePage = size_t{2} << 20;
    bytes = (bytes + kHugePage - 1) / kHugePage * kHugePage;
    void* block = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (block == MAP_FAILED) return nullptr;
    // Huge pages where offered, then all pages in one call instead of one
    // fault each; both are hints, and failing them costs only speed.
    madvise(block, bytes, MADV_HUGEPAGE);
#ifdef MADV_POPULATE_WRITE
    madvise(block, bytes, MADV_POPULATE_WRITE);
#endif
    return new EventArena(static_cast<char*>(block), bytes);
  }

  // Null when full.
  void* Allocate(size_t size) {
    size = (size + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
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
  EventArena(char* block, size_t size) : block_(block), size_(size) {}
  void Free() {
    munmap(block_, size_);
    delete this;
  }

  char* block_;
  size_t size_;
  size_t used_ = 0;
  // The objects placed here, plus one while the scope lives.
  std::atomic<size_t> live_{1};
};

namespace {

thread_local EventArena* t_arena = nullptr;

// Each object is preceded by the arena it lives in (null: the heap).
constexpr size_t kHeader = alignof(std::max_align_t);

void* Allocate(size_t size) {
  if (t_arena != nullptr) {
    if (void* p = t_arena->Allocate(size + kHeader)) {
      *static_cast<EventArena**>(p) = t_arena;
      return static_cast<char*>(p) + kHeader;
    }
  }
  void* p = std::malloc(size + kHeader);
  if (p == nullptr) throw std::bad_alloc();
  *static_cast<EventArena**>(p) = nullptr;
  return static_cast<char*>(p) + kHeader;
}

void Deallocate(void* object) noexcept {
  if (object == nullptr) return;
  void* p = static_cast<char*>(object) - kHeader;
  EventArena* arena = *static_cast<EventArena**>(p);
  if (arena == nullptr) {
    std::free(p);
  } else {
    arena->Release();
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
  // An event and its entry, each with its header, as Allocate rounds them.
  auto rounded = [](size_t size) {
    return (size + kHeader + alignof(std::max_align_t) - 1) & ~(alignof(std::max_align_t) - 1);
  };
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
