#include <gtest/gtest.h>

#include "map/NightLook.h"
#include "support/FakeRating.h"
#include "system/ManualClock.h"

namespace storm {
namespace {

// Almanac sunsets (2026-06-21/22): Berlin 19:33 UTC, New York 00:31 UTC the next day; Sydney's
// winter sunrise 20:59 UTC. A sign slip in longitude or season lands hours away from these.
TEST(NightLook, TheSunSetsWhereAndWhenTheAlmanacSays) {
  const GeoPoint berlin{52.52, 13.405}, newYork{40.71, -74.0}, sydney{-33.87, 151.21};
  EXPECT_FALSE(isNight(1782069600, berlin, 12));                                    // 19:20 UTC
  EXPECT_TRUE(isNight(1782071400, berlin, 12));                                     // 19:50 UTC
  EXPECT_FALSE(isNight(1782087300, newYork, 12));                                   // 00:15 UTC
  EXPECT_TRUE(isNight(1782089100, newYork, 12));                                    // 00:45 UTC
  EXPECT_TRUE(isNight(1782069600, sydney, 12));                                     // 05:20 local, before sunrise
  EXPECT_NEAR(solarElevationDegrees(1782040020, berlin), 90 - 52.52 + 23.44, 0.3);  // noon, 11:07 UTC
  // With no position, the local clock.
  EXPECT_TRUE(isNight(0, std::nullopt, 23));
  EXPECT_FALSE(isNight(0, std::nullopt, 13));
}

TEST(NightLook, FollowsTheChoiceKeepsItAndLooksAgainEachMinute) {
  auto settings = std::make_shared<fakes::FakePreferences>();
  auto clock = std::make_shared<ManualClock>(1782069600);  // Berlin, ten minutes before sunset
  std::vector<bool> shown;
  auto make = [&] {
    return std::make_shared<NightLook>(
        settings, clock, clock,
        [] {
          return std::optional(GeoPoint{52.52, 13.405});
        },
        [&](bool night) { shown.push_back(night); });
  };
  auto look = make();
  look->start();
  EXPECT_EQ(shown, std::vector<bool>{false});
  clock->advance(30 * 60);
  EXPECT_EQ(shown, (std::vector<bool>{false, true})) << "sunset reaches the map within a minute";
  look->setMode(NightMode::Never);
  look->setMode(NightMode::Always);
  EXPECT_EQ(shown, (std::vector<bool>{false, true, false, true}));
  auto again = make();
  again->start();
  EXPECT_EQ(again->mode(), NightMode::Always) << "the choice outlives the run";
}

}  // namespace
}  // namespace storm
