#include "service/periodic_thread.h"

namespace tav::service {

void PeriodicThread::Start() {
  std::lock_guard<std::mutex> lock(mutex_);
  if (thread_.joinable()) return;
  stopping_ = false;
  thread_ = std::thread([this] { Run(); });
}

void PeriodicThread::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  if (thread_.joinable()) thread_.join();
}

void PeriodicThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  while (!stopping_) {
    lock.unlock();
    const std::chrono::milliseconds wait = work_();
    lock.lock();
    wake_.wait_for(lock, wait, [this] { return stopping_; });
  }
}

}  // namespace tav::service
