#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "platform/Clock.h"

// The stopwatch's state. It belongs to the process, not to a screen: every main-screen controller
// shares it. Main thread only.

namespace storm {

enum MeasurementPhase : int32_t {
  MeasurementPhaseIdle = 0,    // the next press starts a measurement
  MeasurementPhaseTiming = 1,  // a measurement runs; the next press stops it
};

struct MeasurementState {
  int32_t measurementPhase = MeasurementPhaseIdle;
  // The instant of the last start press on the monotonic clock; kept after the stop.
  std::optional<double> startDate;
  // The repeating tick; present exactly while timing.
  std::shared_ptr<Timer> timer;
};

MeasurementState& measurementState();
// Back to the state of a fresh process (tests).
void resetMeasurementState();

}  // namespace storm
