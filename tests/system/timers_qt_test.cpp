#include <gtest/gtest.h>

#include <cmath>

#include "system/qt/QtClock.h"

namespace storm::qt {
namespace {

// Qt keeps intervals in int milliseconds: one beyond that must not wrap into a timer that fires
// without pause.
TEST(QtTimers, IntervalsBeyondTheirRangeGiveNoTimer) {
  QtTimerScheduler timers;
  for (double interval : {2592000.0, 1e300, double(NAN), double(INFINITY)})
    EXPECT_FALSE(timers.scheduledTimer(interval, true, [] {}));
  auto timer = timers.scheduledTimer(3600, true, [] {});
  ASSERT_TRUE(timer);
  EXPECT_TRUE(timer->isValid());
  timer->invalidate();
}

}  // namespace
}  // namespace storm::qt
