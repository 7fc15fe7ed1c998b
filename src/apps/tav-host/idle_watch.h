// IdleWatch: notices when the user has left the program alone for too long.
//
// An application-wide event filter counts every keyboard, mouse and wheel
// event as activity; a check every second compares the time since the last
// activity with the timeout and signals TimedOut once when it has run out.
// The clock is injectable so that the logic can be driven without waiting.
//
// Threads: the GUI thread. Ownership: a QObject; installs its filter on the
// application while started.
#ifndef TAV_APPS_TAV_HOST_IDLE_WATCH_H_
#define TAV_APPS_TAV_HOST_IDLE_WATCH_H_

#include <QObject>
#include <QTimer>

#include <functional>

namespace tav::host {

class IdleWatch : public QObject {
  Q_OBJECT

 public:
  // Milliseconds from any fixed point.
  using Clock = std::function<qint64()>;

  explicit IdleWatch(QObject* parent = nullptr, Clock clock = {});

  // 0 switches the watch off.
  void SetTimeoutMs(qint64 timeout_ms) { timeout_ms_ = timeout_ms; }
  qint64 timeout_ms() const { return timeout_ms_; }

  // Starts watching from now; Stop ends it (a dialog that re-authenticates
  // stops the watch while it is open).
  void Start();
  void Stop();
  bool running() const { return running_; }

  // Counts as activity now.
  void Touch();
  // Signals TimedOut (and stops) when the timeout has run out.
  void Check();

  bool eventFilter(QObject* watched, QEvent* event) override;

 signals:
  void TimedOut();

 private:
  Clock clock_;
  QTimer check_timer_;
  qint64 timeout_ms_ = 0;
  qint64 last_activity_ = 0;
  bool running_ = false;
};

}  // namespace tav::host

#endif  // TAV_APPS_TAV_HOST_IDLE_WATCH_H_
