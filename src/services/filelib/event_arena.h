// Memory for loading a large log at once. Loading a million events makes two
// million small objects; taking them one by one from the heap costs a page
// fault per 4 KiB and a malloc call each, which dominates the load. While a
// ScopedEventArena is active on a thread, the audit events and entries that
// the component factory makes on that thread are placed one after another in
// one large block of memory, mapped at once (with huge pages where the
// kernel offers them). Outside such a scope they come from the heap as
// usual.
//
// Ownership: every object is still owned and deleted one by one, as any
// component; the block is returned to the system when its last object is
// deleted and its scope has ended, so an event taken out of a loaded list
// stays valid after the list is gone.
//
// Thread safety: a scope belongs to the thread that made it; objects may be
// deleted on any thread.
#ifndef TAV_SERVICES_FILELIB_EVENT_ARENA_H_
#define TAV_SERVICES_FILELIB_EVENT_ARENA_H_

#include <cstddef>

namespace tav {

class EventArena;

class ScopedEventArena {
 public:
  // Room for about `objects` events with one entry each; more spill to the
  // heap.
  explicit ScopedEventArena(size_t objects);
  ~ScopedEventArena();
  ScopedEventArena(const ScopedEventArena&) = delete;
  ScopedEventArena& operator=(const ScopedEventArena&) = delete;

 private:
  EventArena* arena_;
  EventArena* previous_;
};

// Makes the component factory build the audit event and entry kinds (AEvt,
// AEnx) as classes that use the arena. They behave exactly as the plain
// kinds. Idempotent.
void RegisterArenaEventKinds();

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_EVENT_ARENA_H_
