#pragma once

#include "system/Clock.h"

// The real clocks, and timers on Qt's event loop.

namespace storm::qt {

class SystemClock : public Clock {
 public:
  double now() const override;
  // CLOCK_BOOTTIME: keeps counting while the machine is suspended.
  double monotonic() const override;
};

class QtTimerScheduler : public TimerScheduler {
 public:
  std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, std::function<void()> fire) override;
};

}  // namespace storm::qt
