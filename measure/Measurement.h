#pragma once

#include <string>

#include "system/DateFormatter.h"

// The stopwatch's arithmetic: elapsed time as text, and that text turned into a distance.

namespace storm {

inline constexpr double kTickPeriod = 0.01;  // seconds
inline constexpr double kSpeedOfSoundKmPerSecond = 0.34029;
inline constexpr double kMilesPerKilometre = 0.621371192;
inline constexpr const char* kTimePattern = "s.SSS";
inline constexpr int kTimePatternSecondsFromGMT = 0;
inline constexpr const char* kTitleIdle = "SAW LIGHTNING";
inline constexpr const char* kTitleTiming = "HEARD THUNDER";

// The time label's text for `elapsed` seconds, rounded to the millisecond. Below a minute it is
// the "s.SSS" pattern applied to that instant after 1970 (always in the digits 0-9); from a minute
// on, the whole elapsed seconds, ".", and three digits of thousandths, so the text never wraps.
std::string elapsedText(double elapsed, DateFormatterFactory& formatters);

struct Distance {
  float kilometres = 0;
  float miles = 0;
};

// Seconds (as read back from the label) to kilometres and miles, each product taken in double
// precision and narrowed to float.
Distance distanceForSeconds(float seconds);
// The same with another speed of sound (km/s); kSpeedOfSoundKmPerSecond gives the same bits as the
// standard one.
Distance distanceForSeconds(float seconds, double speedKmPerSecond);

// A distance of `kilometres` with its miles, the product taken in double precision and narrowed.
Distance distanceForKilometres(float kilometres);

// "%.2fmi or %.2fkm" of the distance.
std::string distanceText(const Distance& distance);

}  // namespace storm
