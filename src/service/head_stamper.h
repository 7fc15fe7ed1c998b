// The service's checkpoints of the logs' heads with trusted time
// (services/filelib/head_time_stamps.h): when store.conf names a
// time-stamping authority, a checkpoint is stamped as soon as the last one
// is older than time_stamp_checkpoint. The authority is asked outside the
// store's lock; an authority that fails is tried again a minute later, and
// the system log hears of it.
//
// Thread safety: Start and Stop from one thread.
#ifndef TAV_SERVICE_HEAD_STAMPER_H_
#define TAV_SERVICE_HEAD_STAMPER_H_

#include <chrono>

#include "service/periodic_thread.h"

namespace tav::service {

class HeadStamper {
 public:
  void Start() { thread_.Start(); }
  void Stop() { thread_.Stop(); }

  // Stamps a checkpoint now when one is due; how long until the next look.
  static std::chrono::milliseconds StampIfDue();

 private:
  PeriodicThread thread_{&HeadStamper::StampIfDue};
};

}  // namespace tav::service

#endif  // TAV_SERVICE_HEAD_STAMPER_H_
