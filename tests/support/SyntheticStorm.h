#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "map/GeoMath.h"
#include "storm/Strike.h"

// Storms with a known truth, for checking what the app claims about them. The person stands at the
// origin; the storm's centre starts `startKm` away to the east and moves at `speedKmh` towards the
// heading `headingDegrees` (clockwise from north; 270 comes straight at the person). Its strikes
// fall at random times over the last `minutes`, each somewhere in the cell around the centre (a
// normal spread of `cellKm` along each axis), and each distance is timed with a person's error.
// With `bearings`, the person also gives each flash's direction, off by a normal error of
// `bearingErrorDegrees`, and stands at kSyntheticHere, from which the strikes are placed.

namespace storm::test {

struct SyntheticStorm {
  double startKm = 15;
  double speedKmh = 0;
  double headingDegrees = 270;
  double cellKm = 2;
  double minutes = 15;
  int strikes = 8;
  double timingKm = 0.1;
  double startNorthKm = 0;  // where the centre starts, north of the person
  bool bearings = false;
  double bearingErrorDegrees = 10;
  double wildShare = 0;  // the share of flashes pointed at anywhere (a reflection, a second cell)
};

inline constexpr GeoPoint kSyntheticHere{48.137, 11.575};

// Where the storm's centre is `minutes` after the first moment of the watch, east and north in km.
inline std::pair<double, double> stormCentre(const SyntheticStorm& storm, double minutes) {
  const double heading = storm.headingDegrees * M_PI / 180;
  const double km = storm.speedKmh * minutes / 60;
  return {storm.startKm + km * std::sin(heading), storm.startNorthKm + km * std::cos(heading)};
}

// The strikes of one storm, oldest first, the newest at or before `now`.
inline std::vector<Strike> simulateStorm(const SyntheticStorm& storm, std::mt19937& random, double now) {
  std::uniform_real_distribution<double> when(0, storm.minutes);
  std::normal_distribution<double> cell(0, storm.cellKm), timing(0, storm.timingKm);
  std::vector<double> times;
  for (int i = 0; i < storm.strikes; ++i) times.push_back(when(random));
  std::sort(times.begin(), times.end());
  std::vector<Strike> strikes;
  for (double minute : times) {
    const auto [east, north] = stormCentre(storm, minute);
    Strike s;
    s.time = now - (storm.minutes - minute) * 60;
    // North first: the order the draws were always taken in, so that seeded runs stay as they were.
    const double y = north + cell(random);
    const double x = east + cell(random);
    s.km = std::max(0.0, std::hypot(x, y) + timing(random));
    s.speed = 0.34029;
    s.delay = s.km / s.speed;
    if (storm.bearings) {
      std::normal_distribution<double> pointing(0, storm.bearingErrorDegrees);
      StrikeBearing b;
      b.degrees = std::fmod(std::atan2(x, y) * 180 / M_PI + pointing(random) + 720, 360);
      if (storm.wildShare > 0 && std::uniform_real_distribution<double>(0, 1)(random) < storm.wildShare)
        b.degrees = std::uniform_real_distribution<double>(0, 360)(random);
      b.placed = geo::destination(kSyntheticHere, b.degrees, s.km * 1000);
      s.position = StrikePosition{kSyntheticHere.latitude, kSyntheticHere.longitude, 10, "fixed"};
      s.bearing = b;
    }
    strikes.push_back(s);
  }
  return strikes;
}

}  // namespace storm::test
