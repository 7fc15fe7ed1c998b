// tav-host's idle watch, on a clock the test moves.
#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QSignalSpy>
#include <QWidget>

#include "apps/tav-host/idle_relogin.h"
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

// After an idle logon the host asks again whether the user may run the
// program: a different user must not take over the session of the one who
// left unless the answer is yes.
TEST(IdleReloginTest, GoesOnOnlyWhenTheUserNowLoggedOnIsAllowed) {
  int asked = 0;
  auto answer = [&asked](int allowed) {
    return [&asked, allowed] {
      ++asked;
      return allowed;
    };
  };
  EXPECT_EQ(DecideAfterIdleLogin(0, answer(1)), AfterIdleLogin::kGoOn);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(DecideAfterIdleLogin(0, answer(0)), AfterIdleLogin::kLogOffAndLogIn);
  EXPECT_EQ(asked, 2);
  // Cancelled, or a failed logon that left the previous user in force:
  // nobody goes on in the name of the user who left, and nothing is asked.
  for (int result : {-1, -2, -5}) {
    EXPECT_EQ(DecideAfterIdleLogin(result, answer(1)), AfterIdleLogin::kLogOffAndLogIn) << result;
  }
  EXPECT_EQ(asked, 2);
}

}  // namespace
}  // namespace tav::host
