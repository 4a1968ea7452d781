#pragma once

#include <optional>
#include <vector>

#include "storm/Strike.h"

// Whether the storm comes closer, claimed only as far as the strikes can show it.
//
// The distances of one storm's strikes scatter by kilometres: each is the nearest point of its own
// discharge channel, somewhere in a cell several kilometres across, and each hand-timed delay is
// off by a reaction time besides. So the trend is a robust line (Theil–Sen: the median of the
// slopes between every two strikes) through the distances of the last quarter hour, whose slope is
// trusted only as far as that scatter allows: a direction is named when the slope is beyond about
// two of its standard errors from nothing (about 95 % sure), "keeping its distance" only when the
// whole of that interval lies within a slow drift, and nothing otherwise. Fewer than three strikes,
// or strikes within five minutes of each other, say nothing at all; a rate faster than storms move
// is noise. A window of more than kTrendMostStrikes strikes is thinned to that many, evenly in time.

namespace storm {

inline constexpr double kTrendWindowSeconds = 15 * 60;
inline constexpr int kTrendLeastStrikes = 3;
inline constexpr double kTrendLeastSpanSeconds = 5 * 60;
// More strikes than a person times in a quarter hour: the fit then rests on this many of them,
// spread evenly over the window, so that its cost does not grow with the log.
inline constexpr int kTrendMostStrikes = 200;
inline constexpr double kCloseKilometres = 10.0;
// The scatter of one storm's strike distances about their trend, at least (one standard
// deviation): a cell some 3 km across puts the nearest points of its channels that far apart.
inline constexpr double kStrikeScatterKm = 1.5;
// A person's two presses are each late by a reaction time that varies by about 0.2 s, so a delay
// is off by some 0.3 s: 0.1 km of distance.
inline constexpr double kDistanceErrorKm = 0.1;
// Two-sided 95 %.
inline constexpr double kClaimStandardErrors = 1.96;
// Thunderstorms move at up to some 60 km/h; a fitted rate beyond this is noise, not motion.
inline constexpr double kFastestStormKmh = 100;
// "Keeping its distance": the whole 95 % interval of the rate within this drift either way.
inline constexpr double kSteadyKmh = 15;

enum class TrendDirection { Approaching, MovingAway, Steady, Unclear };

struct Trend {
  TrendDirection direction = TrendDirection::Unclear;
  // The fitted line's slope: change of distance per minute, negative while the storm approaches.
  double kmPerMinute = 0;
  // The slope's standard error under the scatter above, km/min.
  double standardError = 0;
  // The fitted distance at `now`.
  double distanceNow = 0;
  // What the fit rests on: the strikes' scatter about it (km), their number and mean flash time.
  double scatterKm = 0;
  int strikes = 0;
  double meanTime = 0;
  // While approaching: minutes until the fitted distance is kCloseKilometres (0 when it already
  // is); nothing otherwise.
  std::optional<double> minutesTo10km;

  // The fitted distance at wall-clock `time`, and how far off the line may be there (one standard
  // error of the fitted distance).
  double distanceAt(double time, double now) const { return distanceNow + kmPerMinute * (time - now) / 60; }
  double distanceError(double time) const;
};

// The trend at wall-clock `now` from `strikes` (any order; those of the last kTrendWindowSeconds
// up to `now` count); nothing with fewer than kTrendLeastStrikes of them or a span shorter than
// kTrendLeastSpanSeconds.
std::optional<Trend> trendAt(const std::vector<Strike>& strikes, double now);

// "approaching", "moving away", "steady" or "unclear".
const char* directionName(TrendDirection direction);

}  // namespace storm
