// How often the trend says what, for storms whose motion is known, with a real storm's scatter
// (tests/support/SyntheticStorm.h): storms that keep their distance, and storms approaching and
// moving away at 20 and 40 km/h, each watched for 15 minutes with 5, 8 and 12 strikes timed.
// Then every kind of storm judged as the app judges it after every stop of its life, distances only
// (tests/support/StormLife.h): how often each was ever told something wrong, and how often a moving
// one was called right by its last strike.
// Run: build/release/bench/trend_bench [storms per row] [storms per kind over their life]

#include <cstdio>
#include <cstdlib>
#include <map>

#include "storm/Trend.h"
#include "tests/support/StormLife.h"
#include "tests/support/SyntheticStorm.h"

int main(int argc, char** argv) {
  using storm::TrendDirection;
  const int storms = argc > 1 ? std::atoi(argv[1]) : 10000;
  constexpr double kNow = 1'750'000'000;
  std::printf("trend claims in %% of %d storms each (15 min watched, cell 2 km, seeded)\n", storms);
  std::printf("%-28s %8s %10s %12s %8s %8s %10s\n", "storm", "strikes", "approach.", "moving away", "steady",
              "unclear", "no trend");
  struct Row {
    const char* name;
    double speed, heading;
  };
  for (const Row& row : {Row{"keeps its distance", 0, 270}, Row{"approaching at 20 km/h", 20, 270},
                         Row{"approaching at 40 km/h", 40, 270}, Row{"moving away at 20 km/h", 20, 90},
                         Row{"moving away at 40 km/h", 40, 90}, Row{"passing by at 40 km/h", 40, 0}}) {
    for (int strikes : {5, 8, 12, 20}) {
      std::mt19937 random(42);
      std::map<TrendDirection, int> said;
      int none = 0;
      storm::test::SyntheticStorm storm{.speedKmh = row.speed, .headingDegrees = row.heading, .strikes = strikes};
      for (int i = 0; i < storms; ++i) {
        if (auto trend = storm::trendAt(storm::test::simulateStorm(storm, random, kNow), kNow))
          ++said[trend->direction];
        else
          ++none;
      }
      auto pct = [&](int n) { return 100.0 * n / storms; };
      std::printf("%-28s %8d %9.1f%% %11.1f%% %7.1f%% %7.1f%% %9.1f%%\n", row.name, strikes,
                  pct(said[TrendDirection::Approaching]), pct(said[TrendDirection::MovingAway]),
                  pct(said[TrendDirection::Steady]), pct(said[TrendDirection::Unclear]), pct(none));
    }
  }
  storm::test::printLifeTable(false, argc > 2 ? std::atoi(argv[2]) : 1000);
  return 0;
}
