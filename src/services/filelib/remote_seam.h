// RemoteSeam: where a store facade (the event log, the settings, the run
// list) finds the compliance service's client when the process must ask
// the service instead of opening the store.
//
// The store layer cannot call the client layer above it, so the client
// registers an implementation of the facade's remote interface (its
// Interface, with `bool InUse()` saying whether this process must ask the
// service now) when the library loads and when tavsec starts. The service
// itself and the offline tools register nothing and always use the store.
//
// Thread safety: Set and InUse may be called from any thread; a registered
// object must live until the process ends or it is unregistered.
#ifndef TAV_SERVICES_FILELIB_REMOTE_SEAM_H_
#define TAV_SERVICES_FILELIB_REMOTE_SEAM_H_

#include <atomic>

namespace tav {

template <typename Interface>
class RemoteSeam {
 public:
  constexpr RemoteSeam() = default;
  RemoteSeam(const RemoteSeam&) = delete;
  RemoteSeam& operator=(const RemoteSeam&) = delete;

  // Registers `remote` (null: none).
  void Set(Interface* remote) { remote_.store(remote, std::memory_order_release); }

  // The registered remote when this process must use it now; else null.
  Interface* InUse() const {
    Interface* remote = remote_.load(std::memory_order_acquire);
    return remote != nullptr && remote->InUse() ? remote : nullptr;
  }

 private:
  std::atomic<Interface*> remote_{nullptr};
};

}  // namespace tav

#endif  // TAV_SERVICES_FILELIB_REMOTE_SEAM_H_
