#include "apps/tav-host/idle_watch.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QElapsedTimer>
#include <QEvent>

namespace tav::host {

namespace {

qint64 SteadyMs() {
  static QElapsedTimer since_start = [] {
    QElapsedTimer t;
    t.start();
    return t;
  }();
  return since_start.elapsed();
}

bool IsUserInput(QEvent::Type type) {
  switch (type) {
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::TouchBegin:
    case QEvent::TouchUpdate:
      return true;
    default:
      return false;
  }
}

}  // namespace

IdleWatch::IdleWatch(QObject* parent, Clock clock)
    : QObject(parent), clock_(clock ? std::move(clock) : Clock(SteadyMs)) {
  check_timer_.setInterval(1000);
  connect(&check_timer_, &QTimer::timeout, this, &IdleWatch::Check);
}

void IdleWatch::Start() {
  Touch();
  if (running_) return;
  running_ = true;
  QCoreApplication::instance()->installEventFilter(this);
  check_timer_.start();
}

void IdleWatch::Stop() {
  if (!running_) return;
  running_ = false;
  check_timer_.stop();
  QCoreApplication::instance()->removeEventFilter(this);
}

void IdleWatch::Touch() { last_activity_ = clock_(); }

void IdleWatch::Check() {
  if (!running_ || timeout_ms_ <= 0) return;
  if (clock_() - last_activity_ < timeout_ms_) return;
  Stop();
  emit TimedOut();
}

bool IdleWatch::eventFilter(QObject* watched, QEvent* event) {
  if (IsUserInput(event->type())) Touch();
  return QObject::eventFilter(watched, event);
}

}  // namespace tav::host
