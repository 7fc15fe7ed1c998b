// A thread that does one piece of work again and again, waiting between
// runs as long as the work says, until it is stopped (the sealer of
// intervals, the stamper of head checkpoints).
//
// Thread safety: Start and Stop from one thread; the work runs on the
// thread of its own.
#ifndef TAV_SERVICE_PERIODIC_THREAD_H_
#define TAV_SERVICE_PERIODIC_THREAD_H_

#include <chrono>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>

namespace tav::service {

class PeriodicThread {
 public:
  // Runs `work` and waits as long as it returns before running it again.
  explicit PeriodicThread(std::function<std::chrono::milliseconds()> work)
      : work_(std::move(work)) {}
  ~PeriodicThread() { Stop(); }
  PeriodicThread(const PeriodicThread&) = delete;
  PeriodicThread& operator=(const PeriodicThread&) = delete;

  void Start();
  // Returns once the thread has ended; a run under way finishes first.
  void Stop();

 private:
  void Run();

  std::function<std::chrono::milliseconds()> work_;
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace tav::service

#endif  // TAV_SERVICE_PERIODIC_THREAD_H_
