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
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tav::service {

class IntervalSealer {
 public:
  IntervalSealer() = default;
  ~IntervalSealer() { Stop(); }
  IntervalSealer(const IntervalSealer&) = delete;
  IntervalSealer& operator=(const IntervalSealer&) = delete;

  void Start();
  // Returns once the thread has ended; a sealing under way finishes first.
  void Stop();

 private:
  void Run();
  // Steps the key when its interval has ended; how long to wait before the
  // next look.
  std::chrono::milliseconds SealIfDue();

  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tav::service

#endif  // TAV_SERVICE_INTERVAL_SEALER_H_
