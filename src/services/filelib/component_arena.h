// Memory for loading a large log at once. Loading a million events (or file
// records) makes millions of small objects; taking them one by one from the
// heap costs a page fault per 4 KiB and a malloc call each, which dominates
// the load. While a ScopedComponentArena is active on a thread, the record
// kinds registered for it (audit events and entries; file records and their
// fields) that the component factory makes on that thread are placed one
// after another in one large block of memory, mapped at once (with huge
// pages where the kernel offers them). Outside such a scope they come from
// the heap as usual.
//
// Ownership: every object is still owned and deleted one by one, as any
// component; the block is returned to the system when its last object is
// deleted and its scope has ended, so a record taken out of a loaded list
// stays valid after the list is gone.
//
// Thread safety: a scope belongs to the thread that made it; objects may be
// deleted on any thread.
#ifndef TAV_SERVICES_FILELIB_COMPONENT_ARENA_H_
#define TAV_SERVICES_FILELIB_COMPONENT_ARENA_H_

#include <cstddef>

namespace tav {

class EventArena;

class ScopedComponentArena {
 public:
  // Room for `bytes` (at most 1 GiB); objects beyond it spill to the heap.
  // No arena for 0.
  explicit ScopedComponentArena(size_t bytes);
  ~ScopedComponentArena();
  ScopedComponentArena(const ScopedComponentArena&) = delete;
  ScopedComponentArena& operator=(const ScopedComponentArena&) = delete;

  // The room for `events` audit events with one entry each.
  static size_t EventBytes(size_t events);
  // The room for `records` file records with their five fields.
  static size_t FileRecordBytes(size_t records);

 private:
  EventArena* arena_;
  EventArena* previous_;
};

// Makes the component factory build the audit event and entry kinds (AEvt,
// AEnx) as classes that use the arena. They behave exactly as the plain
// kinds. Idempotent.
void RegisterArenaEventKinds();
// The same for file records (FiRe) and their fields (ReDa, FReT, FFPa,
// UsNa, CFFi).
void RegisterArenaFileRecordKinds();

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_COMPONENT_ARENA_H_
