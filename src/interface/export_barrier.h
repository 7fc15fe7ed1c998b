// The wrapper every exported function runs its body in.
//
// It notes that the host uses the library (so that process exit can be told
// from dlclose, interface/module.h) and stops exceptions: nothing thrown
// inside (an allocation failure, a failure deep in a service) crosses into a
// C host; the export returns the result that reports nothing done instead.
#ifndef TAV_INTERFACE_EXPORT_BARRIER_H_
#define TAV_INTERFACE_EXPORT_BARRIER_H_

#include "interface/module.h"

namespace tav {

template <typename Result, typename Body>
Result ExportBarrier(Result on_failure, Body body) noexcept {
  try {
    WatchProcessExit();
    return body();
  } catch (...) {
    return on_failure;
  }
}

}  // namespace tav

#endif  // TAV_INTERFACE_EXPORT_BARRIER_H_
