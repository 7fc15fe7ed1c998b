// PerThread<T>: one T for each thread that asks, behind a pthread key.
//
// Not a thread_local with a destructor: glibc refuses to unload a library
// while a thread holds such an object, so dlclose after a logon would leave
// the library (and the logged-on user) in the process. Release() deletes
// the key when the library unloads.
//
// Thread safety: Get and Release may be called from any thread; the object
// Get returns is the calling thread's own. Declare one PerThread per kind of
// state at namespace scope (it is constant-initialised).
#ifndef TAV_UTIL_PER_THREAD_H_
#define TAV_UTIL_PER_THREAD_H_

#include <pthread.h>

#include <cstdlib>
#include <mutex>

namespace tav {

template <typename T>
class PerThread {
 public:
  constexpr PerThread() = default;
  PerThread(const PerThread&) = delete;
  PerThread& operator=(const PerThread&) = delete;

  // The calling thread's T, made on first use.
  T& Get() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!live_) {
      if (pthread_key_create(&key_, &Delete) != 0) std::abort();
      live_ = true;
    }
    auto* state = static_cast<T*>(pthread_getspecific(key_));
    if (state == nullptr) {
      state = new T;
      pthread_setspecific(key_, state);
    }
    return *state;
  }

  // Frees the calling thread's T and deletes the key. Other threads' states
  // are left behind, since their destructor may not run once the code is
  // gone.
  void Release() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!live_) return;
    Delete(pthread_getspecific(key_));
    pthread_setspecific(key_, nullptr);
    pthread_key_delete(key_);
    live_ = false;
  }

 private:
  static void Delete(void* state) { delete static_cast<T*>(state); }

  std::mutex mutex_;
  pthread_key_t key_{};
  bool live_ = false;
};

}  // namespace tav

#endif  // TAV_UTIL_PER_THREAD_H_
