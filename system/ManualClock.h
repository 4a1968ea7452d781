#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "system/Clock.h"

// A clock that moves only when told to, and the timers it drives: `advance` walks through the
// due firings in time order, setting the clock to each one before it fires. Tests and the
// automation mode's manual clock run on it. Main thread only, except that the time may be read
// from any thread (background work dates what it records).

namespace storm {

class ManualClock : public Clock, public TimerScheduler, public std::enable_shared_from_this<ManualClock> {
 public:
  explicit ManualClock(double epoch = 0) : wall_(epoch), monotonic_(epoch) {}

  double now() const override { return wall_; }
  double monotonic() const override { return monotonic_; }

  std::shared_ptr<Timer> scheduledTimer(double interval, bool repeats, std::function<void()> fire) override;

  // Moves both clocks `seconds` forward, firing every timer that falls due on the way.
  void advance(double seconds);
  // Moves only the wall clock (the user changed the time); intervals are not affected.
  void setWallTime(double seconds) { wall_ = seconds; }
  // Timers that are still valid.
  size_t activeTimers() const;

 private:
  struct Entry;
  class ManualTimer;
  std::vector<std::shared_ptr<Entry>> entries_;
  std::atomic<double> wall_;
  std::atomic<double> monotonic_;
};

}  // namespace storm
