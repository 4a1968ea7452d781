#pragma once

#include <optional>
#include <vector>

#include "storm/Strike.h"

// Whether the storm comes closer: a least-squares line through the distances of the last quarter
// hour against time.

namespace storm {

inline constexpr double kTrendWindowSeconds = 15 * 60;
inline constexpr double kCloseKilometres = 10.0;
// How uncertain one hand-timed distance is at least: a person's two presses are each late by a
// reaction time that varies by roughly 0.2 s, so the delay between them is uncertain by about
// 0.3 s, which is 0.3 s × 0.34 km/s ≈ 0.1 km of distance. With two or three strikes the scatter
// of the points says little or nothing (two points fit any line exactly), so the slope's
// uncertainty is never taken below what this error alone gives.
inline constexpr double kDistanceErrorKm = 0.1;

enum class TrendDirection { Approaching, MovingAway, Steady };

struct Trend {
  TrendDirection direction = TrendDirection::Steady;
  // The fitted line's slope: change of distance per minute, negative while the storm approaches.
  double kmPerMinute = 0;
  // While approaching: minutes until the fitted distance is kCloseKilometres (0 when it already
  // is); nothing otherwise.
  std::optional<double> minutesTo10km;
};

// The trend at wall-clock `now` from `strikes` (any order; those of the last kTrendWindowSeconds
// count); nothing with fewer than two of them.
std::optional<Trend> trendAt(const std::vector<Strike>& strikes, double now);

const char* directionName(TrendDirection direction);

}  // namespace storm
