// tav-host's idle watch, on a clock the test moves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QWidget>

#include "apps/tav-host/idle_watch.h"
#include "ui/gui_app.h"

namespace tav::host {
namespace {

TEST(IdleWatchTest, TimesOutOnceAfterTheTimeoutWithoutInput) {
  ASSERT_TRUE(EnsureGuiApplication());
  qint64 now = 1000;
  IdleWatch watch(nullptr, [&now] { return now; });
  QSignalSpy timed_out(&watch, &IdleWatch::TimedOut);

  watch.SetTimeoutMs(0);  // no timeout: never
  watch.Start();
  now += 10'000'000;
  watch.Check();
  EXPECT_EQ(timed_out.count(), 0);

  watch.SetTimeoutMs(60'000);
  watch.Start();
  now += 59'999;
  watch.Check();
  EXPECT_EQ(timed_out.count(), 0);

  // Input anywhere in the application counts as activity.
  QWidget window;
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
  QApplication::sendEvent(&window, &key);
  now += 59'999;
  watch.Check();
  EXPECT_EQ(timed_out.count(), 0);

  now += 1;
  watch.Check();
  EXPECT_EQ(timed_out.count(), 1);
  EXPECT_FALSE(watch.running());
  // Stopped until the host starts it again, so the signal comes once.
  now += 120'000;
  watch.Check();
  EXPECT_EQ(timed_out.count(), 1);
}

}  // namespace
}  // namespace tav::host
