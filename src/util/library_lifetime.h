// Objects that live as long as the library is loaded.
//
// Some objects must survive the process's static destructors, because a
// host may still call the library from its own; so they are made on the
// heap on first use and never destroyed at process exit. A host that
// unloads the library with dlclose would leak them with every load, so each
// one is registered here and ReleaseLibraryObjects, run by the unload, frees
// them, last made first. After that they are made again on their next use.
//
// Threads: Get and the registration may be called from any thread;
// ReleaseLibraryObjects only while no other thread uses the library.
#ifndef TAV_UTIL_LIBRARY_LIFETIME_H_
#define TAV_UTIL_LIBRARY_LIFETIME_H_

#include <atomic>
#include <mutex>

namespace tav {

// Frees `object` with `release` at the unload. REQUIRES: the caller holds
// LibraryObjectsMutex() (it made the object under it). Registrations beyond
// a fixed number (far more than the library makes) are kept until the
// process ends.
void ReleaseAtUnloadLocked(void (*release)(void* object), void* object);

// Frees every registered object, last registered first, and forgets them.
void ReleaseLibraryObjects();

std::mutex& LibraryObjectsMutex();

// A T made with `new T()` on first use, never destroyed by a static
// destructor, freed by ReleaseLibraryObjects. Declare it static: it has a
// constant initialiser and no destructor to run at exit.
template <typename T>
class UntilUnload {
 public:
  constexpr UntilUnload() = default;
  UntilUnload(const UntilUnload&) = delete;
  UntilUnload& operator=(const UntilUnload&) = delete;

  T& Get() {
    if (T* object = object_.load(std::memory_order_acquire)) return *object;
    std::lock_guard<std::mutex> lock(LibraryObjectsMutex());
    T* object = object_.load(std::memory_order_relaxed);
    if (object == nullptr) {
      object = new T();
      object_.store(object, std::memory_order_release);
      ReleaseAtUnloadLocked(&UntilUnload::Release, this);
    }
    return *object;
  }

 private:
  static void Release(void* self) {
    delete static_cast<UntilUnload*>(self)->object_.exchange(nullptr);
  }

  std::atomic<T*> object_{nullptr};
};

}  // namespace tav

#endif  // TAV_UTIL_LIBRARY_LIFETIME_H_
