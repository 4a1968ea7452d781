#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "measure/Measurement.h"
#include "system/Clock.h"

// The stopwatch: whether a measurement runs, when it started and the tick that shows it, and the
// announcement of each finished measurement to whoever listens (the storm feature logs it). The
// application makes one and hands it to every main-screen controller, so that they all time the
// same measurement. Main thread only.

namespace storm {

enum MeasurementPhase : int32_t {
  MeasurementPhaseIdle = 0,    // the next press starts a measurement
  MeasurementPhaseTiming = 1,  // a measurement runs; the next press stops it
};

// One finished measurement as the screen showed it.
struct Measurement {
  double flash = 0;    // the start press, wall-clock seconds since 1970
  float seconds = 0;   // the delay as read back from the time label
  Distance distance;   // from `seconds` at `speed`
  double speed = 0;    // the speed of sound it was computed with, km/s
};

class Stopwatch {
 public:
  // `speedOfSound` gives the speed (km/s) the next measurement uses; without it, the standard one.
  Stopwatch(std::shared_ptr<Clock> clock, std::shared_ptr<TimerScheduler> timers,
            std::function<double()> speedOfSound = {});
  Stopwatch(const Stopwatch&) = delete;
  Stopwatch& operator=(const Stopwatch&) = delete;

  int32_t measurementPhase = MeasurementPhaseIdle;
  // The instant of the last start press on the monotonic clock; kept after the stop.
  std::optional<double> startDate;
  // The same press on the wall clock, which dates the measurement.
  std::optional<double> startWallTime;
  // The repeating tick; present exactly while timing.
  std::shared_ptr<Timer> timer;

  // The start press: takes the instant and starts calling `tick` every kTickPeriod.
  void start(std::function<void()> tick);
  // The stop press: no tick after this.
  void stopTicking();
  // Seconds from the start press to now (monotonic); from 0 when nothing was ever started.
  double elapsed() const;
  // The measurement of `seconds` as shown, at the speed of sound in use now.
  Measurement measurement(float seconds) const;
  void setMeasurementPhase(int32_t phase);
  // The end of the stop press: every listener hears of `measurement`, then the phase is idle again.
  void finish(const Measurement& measurement);
  // Back to the state of a stopwatch never used: the tick stops, nothing is announced.
  void reset();

  // Told when a measurement starts (true) and when it ends, finished or dropped (false).
  void addTimingObserver(std::function<void(bool timing)> observer);
  // Told of each finished measurement, after the screen has shown it.
  void addMeasurementObserver(std::function<void(const Measurement&)> observer);

 private:
  std::shared_ptr<Clock> clock_;
  std::shared_ptr<TimerScheduler> timers_;
  std::function<double()> speedOfSound_;
  std::vector<std::function<void(bool)>> timingObservers_;
  std::vector<std::function<void(const Measurement&)>> measurementObservers_;
};

}  // namespace storm
