#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "system/Clock.h"

// The stopwatch: whether a measurement runs, when it started and the tick that shows it. The
// application makes one and hands it to every main-screen controller, so that they all time the
// same measurement. Main thread only.

namespace storm {

enum MeasurementPhase : int32_t {
  MeasurementPhaseIdle = 0,    // the next press starts a measurement
  MeasurementPhaseTiming = 1,  // a measurement runs; the next press stops it
};

class Stopwatch {
 public:
  Stopwatch() = default;
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

  int32_t measurementPhase = MeasurementPhaseIdle;
  // The instant of the last start press on the monotonic clock; kept after the stop.
  std::optional<double> startDate;
  // The same press on the wall clock, which dates the strike in the log.
  std::optional<double> startWallTime;
  // The repeating tick; present exactly while timing.
  std::shared_ptr<Timer> timer;
  // Told when a measurement starts (true) and when it ends (false).
  std::function<void(bool timing)> timingChanged;

  void setMeasurementPhase(int32_t phase) {
    const bool changed = phase != measurementPhase;
    measurementPhase = phase;
    if (changed && timingChanged) timingChanged(phase == MeasurementPhaseTiming);
  }

  // Seconds from the start press to `now` (monotonic); from 0 when nothing was ever started.
  double elapsed(double now) const { return now - startDate.value_or(0.0); }
  // Back to the state of a stopwatch never used: the tick stops.
  void reset() {
    if (timer) timer->invalidate();
    timer.reset();
    startDate.reset();
    startWallTime.reset();
    setMeasurementPhase(MeasurementPhaseIdle);
  }
};

}  // namespace storm
