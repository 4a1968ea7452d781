#pragma once

#include <functional>
#include <memory>

// Time. Wall time dates things; the monotonic source measures intervals and keeps counting while
// the machine sleeps, so a change of the wall clock cannot bend an interval.

namespace storm {

class Clock {
 public:
  virtual ~Clock() = default;
  // Seconds since 1970-01-01 00:00:00 UTC.
  virtual double now() const = 0;
  // Seconds from an arbitrary origin, never going back.
  virtual double monotonic() const = 0;
};

class Timer {
 public:
  virtual ~Timer() = default;
  // No firing after this call.
  virtual void invalidate() = 0;
  virtual bool isValid() const = 0;
};

// Timers that fire on the main loop. An interval the scheduler cannot keep (not finite, or beyond
// its range) gives no timer.
class TimerScheduler {
 public:
  virtual ~TimerScheduler() = default;
  virtual std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, std::function<void()> fire) = 0;
};

}  // namespace storm
