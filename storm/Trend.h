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
// trusted only as far as that scatter allows: a direction is named when the slope is beyond its
// 99 % interval from nothing (Student's t with the strikes' own degrees of freedom), "keeping its
// distance" only when the whole of its 95 % interval lies within a slow drift, and nothing otherwise.
// A line cannot see a storm change its motion, so the newest strikes are held against it: where
// they lie nearer than the line expects, neither "moving away" nor "keeping its distance" is said,
// and where they lie farther, "approaching" is not. Fewer than three strikes, or strikes within
// five minutes of each other, say nothing at all; a rate faster than storms move is noise. A
// window of more than kTrendMostStrikes strikes is thinned to that many, evenly in time.

namespace storm {

inline constexpr double kTrendWindowSeconds = 15 * 60;
inline constexpr int kTrendLeastStrikes = 3;
inline constexpr double kTrendLeastSpanSeconds = 5 * 60;
// More strikes than a person times in a quarter hour: the fit then rests on this many of them,
// spread evenly over the window, so that its cost does not grow with the log.
inline constexpr int kTrendMostStrikes = 200;
inline constexpr double kCloseKilometres = 10.0;
// The scatter of one storm's strike distances about their trend, at least (one standard
// deviation): real storms put the nearest points of their channels 2.5 to 3 km apart.
inline constexpr double kStrikeScatterKm = 2.5;
// A person's two presses are each late by a reaction time that varies by about 0.2 s, so a delay
// is off by some 0.3 s: 0.1 km of distance.
inline constexpr double kDistanceErrorKm = 0.1;
// Thunderstorms move at up to some 60 km/h; a fitted rate beyond this is noise, not motion.
inline constexpr double kFastestStormKmh = 100;
// "Keeping its distance": the whole 95 % interval of the rate within this drift either way.
inline constexpr double kSteadyKmh = 15;
// The newest strikes, for the test of a change of motion: those of the last third of the window's
// span.
inline constexpr double kRecentShare = 1.0 / 3;

enum class TrendDirection { Approaching, MovingAway, Steady, Unclear };

// A distance of the storm and the wall-clock time of its flash: what the trend is fitted to.
struct Range {
  double time = 0;
  double km = 0;
};

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
  // How far the newest strikes lie from the line, on average, in their standard errors: negative
  // when they are nearer than it expects.
  double recentOffset = 0;
  // Why no direction is named although the line has one; nothing otherwise.
  const char* withheld = nullptr;
  // While approaching: minutes until the fitted distance is kCloseKilometres (0 when it already
  // is), if it keeps coming straight in; nothing otherwise.
  std::optional<double> minutesTo10km;

  // The fitted distance at wall-clock `time`, and how far off the line may be there (one standard
  // error of the fitted distance).
  double distanceAt(double time, double now) const { return distanceNow + kmPerMinute * (time - now) / 60; }
  double distanceError(double time) const;
};

// The trend at wall-clock `now` from `ranges` (any order; those of the last kTrendWindowSeconds up
// to `now` count); nothing with fewer than kTrendLeastStrikes of them or a span shorter than
// kTrendLeastSpanSeconds.
std::optional<Trend> trendOf(std::vector<Range> ranges, double now);

// The same from the strikes' distances, as they were measured.
std::optional<Trend> trendAt(const std::vector<Strike>& strikes, double now);

// Student's t for a two-sided 95 % / 99 % interval with `freedom` degrees of freedom.
double studentT95(int freedom);
double studentT99(int freedom);

// "approaching", "moving away", "steady" or "unclear".
const char* directionName(TrendDirection direction);

}  // namespace storm
