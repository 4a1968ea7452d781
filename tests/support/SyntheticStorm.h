#pragma once

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "storm/Strike.h"

// Storms with a known truth, for checking what the app claims about them. The person stands at the
// origin; the storm's centre starts `startKm` away to the east and moves at `speedKmh` towards the
// heading `headingDegrees` (clockwise from north; 270 comes straight at the person). Its strikes
// fall at random times over the last `minutes`, each somewhere in the cell around the centre (a
// normal spread of `cellKm` along each axis), and each distance is timed with a person's error.

namespace storm::test {

struct SyntheticStorm {
  double startKm = 15;
  double speedKmh = 0;
  double headingDegrees = 270;
  double cellKm = 2;
  double minutes = 15;
  int strikes = 8;
  double timingKm = 0.1;
};

// Where the storm's centre is `minutes` after the first moment of the watch, east and north in km.
inline std::pair<double, double> stormCentre(const SyntheticStorm& storm, double minutes) {
  const double heading = storm.headingDegrees * M_PI / 180;
  const double km = storm.speedKmh * minutes / 60;
  return {storm.startKm + km * std::sin(heading), km * std::cos(heading)};
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
    s.km = std::max(0.0, std::hypot(east + cell(random), north + cell(random)) + timing(random));
    s.speed = 0.34029;
    s.delay = s.km / s.speed;
    strikes.push_back(s);
  }
  return strikes;
}

}  // namespace storm::test
