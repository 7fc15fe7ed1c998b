// The service's clock for the sealing key: when an interval of the key
// ends, the key is stepped on at once and the interval sealed
// (services/filelib/interval_seals.h), whether or not anything was logged in
// it, so that the seals on disk reach the present within a moment and no
// key of an ended interval stays on disk while the machine is quiet.
//
// Thread safety: Start and Stop from one thread; the sealing runs on a
// thread of its own, taking the store's write lock like any append.
#ifndef TAV_SERVICE_INTERVAL_SEALER_H_
#define TAV_SERVICE_INTERVAL_SEALER_H_

#include <chrono>

#include "service/periodic_thread.h"

namespace tav::service {

class IntervalSealer {
 public:
  void Start() { thread_.Start(); }
  // Returns once the thread has ended; a sealing under way finishes first.
  void Stop() { thread_.Stop(); }

 private:
  // Steps the key when its interval has ended; how long to wait before the
  // next look.
  static std::chrono::milliseconds SealIfDue();

  PeriodicThread thread_{&IntervalSealer::SealIfDue};
};

}  // namespace tav::service

#endif  // TAV_SERVICE_INTERVAL_SEALER_H_
