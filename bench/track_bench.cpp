// How well the storm's track comes out for storms whose path is known (tests/support/SyntheticStorm.h):
// storms standing still, and storms moving at 20, 40 and 60 km/h in a random direction that come
// straight at the person, pass 5 or 12 km from them, or have passed 3 km from them a quarter hour
// ago; each watched for 30 minutes with 8, 15 or 30 strikes timed and pointed at (cell 2 km,
// directions off by 10°), and at 40 km/h with one flash in ten pointed at anywhere. Prints how
// often each kind of claim was made, how often the panel said when the storm comes within 10 km
// ("in10km"), and the median errors of the speed, the heading, the closest distance and its time
// where a motion was claimed.
// Then every kind of storm judged as the app judges it after every stop of its life, every flash
// pointed at (tests/support/StormLife.h): how often each was ever told something wrong, and how
// often a moving one was called right by its last strike.
// Run: build/release/bench/track_bench [storms per row] [storms per kind over their life]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <map>

#include "storm/Track.h"
#include "tests/support/StormLife.h"
#include "tests/support/SyntheticStorm.h"

namespace {

double median(std::vector<double> v) {
  if (v.empty()) return NAN;
  std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
  using storm::TrackDirection;
  const int storms = argc > 1 ? std::atoi(argv[1]) : 5000;
  constexpr double kNow = 1'750'000'000, kWatched = 30;
  std::printf("track claims in %% of %d storms each (30 min watched, cell 2 km, directions off by 10 deg, seeded)\n",
              storms);
  std::printf("%-24s %5s %4s | %6s %6s %6s %6s %6s %7s | %6s | %6s %6s %6s %6s\n", "storm", "km/h", "n", "appr.",
              "pass.", "away", "steady", "unclr", "none", "in10km", "dSpeed", "dHead", "dClose", "dMin");
  struct Row {
    const char* name;
    double closestKm, closestInMinutes;  // where and when the centre passes nearest (from now)
    TrackDirection truth;
  };
  const Row rows[] = {{"straight in", 0, 20, TrackDirection::Approaching},
                      {"passing 5 km off", 5, 15, TrackDirection::Passing},
                      {"passing 12 km off", 12, 15, TrackDirection::Passing},
                      {"moving away (passed 3 km)", 3, -15, TrackDirection::MovingAway}};
  std::mt19937 headings(7);
  std::uniform_real_distribution<double> anyHeading(0, 360);
  auto run = [&](const char* name, double speed, const Row* row, int strikes, double wild = 0) {
    std::mt19937 random(42);
    std::map<TrackDirection, int> said;
    int none = 0, within = 0;
    std::vector<double> dSpeed, dHeading, dClosest, dMinutes;
    for (int i = 0; i < storms; ++i) {
      storm::test::SyntheticStorm s;
      s.speedKmh = speed;
      s.minutes = kWatched;
      s.strikes = strikes;
      s.bearings = true;
      s.wildShare = wild;
      s.headingDegrees = anyHeading(headings);
      const double h = s.headingDegrees * M_PI / 180;
      if (row) {
        // The nearest point lies across the path from the person; the centre reaches it
        // closestInMinutes after now, that is kWatched + closestInMinutes after the watch began.
        const double pe = row->closestKm * std::cos(h), pn = -row->closestKm * std::sin(h);
        const double back = speed * (kWatched + row->closestInMinutes) / 60;
        s.startKm = pe - back * std::sin(h);
        s.startNorthKm = pn - back * std::cos(h);
      } else {
        s.startKm = 12 * std::sin(h);
        s.startNorthKm = 12 * std::cos(h);
      }
      const auto track = storm::trackAt(storm::test::simulateStorm(s, random, kNow), storm::test::kSyntheticHere, kNow);
      if (!track) {
        ++none;
        continue;
      }
      ++said[track->direction];
      within += track->minutesTo10km.has_value();
      if (row && track->closestKm) {
        dSpeed.push_back(std::abs(track->speedKmh - speed));
        dHeading.push_back(std::abs(std::remainder(track->headingDegrees - s.headingDegrees, 360.0)));
        dClosest.push_back(std::abs(*track->closestKm - row->closestKm));
        dMinutes.push_back(std::abs(*track->closestInMinutes - row->closestInMinutes));
      }
    }
    auto pct = [&](int n) { return 100.0 * n / storms; };
    std::printf("%-24s %5.0f %4d | %5.1f%% %5.1f%% %5.1f%% %5.1f%% %5.1f%% %6.1f%% | %5.1f%% | %6.1f %6.1f %6.1f %6.1f\n",
                name, speed, strikes, pct(said[TrackDirection::Approaching]), pct(said[TrackDirection::Passing]),
                pct(said[TrackDirection::MovingAway]), pct(said[TrackDirection::Steady]),
                pct(said[TrackDirection::Unclear]), pct(none), pct(within), median(dSpeed), median(dHeading),
                median(dClosest), median(dMinutes));
  };
  for (int strikes : {8, 15, 30}) run("standing still", 0, nullptr, strikes);
  for (const Row& row : rows)
    for (double speed : {20.0, 40.0, 60.0})
      for (int strikes : {8, 15, 30}) run(row.name, speed, &row, strikes);
  // One flash in ten pointed at anywhere.
  for (int strikes : {8, 15, 30}) run("still, 10% wild", 0, nullptr, strikes, 0.1);
  for (int strikes : {8, 15, 30}) run("straight in, 10% wild", 40, &rows[0], strikes, 0.1);
  for (int strikes : {8, 15, 30}) run("passing 5 km, 10% wild", 40, &rows[1], strikes, 0.1);
  storm::test::printLifeTable(true, argc > 2 ? std::atoi(argv[2]) : 1000);
  return 0;
}
