#include <gtest/gtest.h>

#include <cmath>

#include "map/GeoMath.h"
#include "storm/StormJudgment.h"
#include "storm/StormTexts.h"

// The judgment's own rules on storms laid out by hand: where the person is now, a wild newest
// direction, two storms, the poles and the words it leads to.

namespace storm {
namespace {

constexpr double kNow = 1'750'000'000;

// The texts as their keys, in kilometres or in miles.
struct English : Locale {
  bool miles = false;
  std::string localizedString(const std::string& key) const override { return key; }
  UnitSystem unitSystem() const override { return miles ? UnitSystem::ImperialUS : UnitSystem::Metric; }
};

// A strike `minutesAgo` before kNow, measured from `from`, pointed at `degrees` and placed `km` away.
Strike placed(GeoPoint from, double minutesAgo, double degrees, double km) {
  Strike s;
  s.time = kNow - minutesAgo * 60;
  s.km = km;
  s.speed = 0.34029;
  s.delay = km / s.speed;
  s.position = StrikePosition{from.latitude, from.longitude, 10, "fixed"};
  s.bearing = StrikeBearing{degrees, BearingSource::Typed, geo::destination(from, degrees, km * 1000)};
  return s;
}

// A storm moving east at 40 km/h along a line 8 km north of `from`, timed every two minutes for
// half an hour; its centre is due north of `from` `minutesAfter` after kNow.
std::vector<Strike> passingNorth(GeoPoint from, double minutesAfter = 12) {
  std::vector<Strike> strikes;
  for (double ago = 30; ago >= 0; ago -= 2) {
    const double east = -40 * (ago + minutesAfter) / 60, north = 8;
    strikes.push_back(
        placed(from, ago, std::fmod(std::atan2(east, north) * 180 / M_PI + 360, 360), std::hypot(east, north)));
  }
  return strikes;
}

TEST(StormJudgment, TheClosestApproachIsMeasuredFromWhereThePersonIsNow) {
  const GeoPoint here{48.137, 11.575};
  const std::vector<Strike> strikes = passingNorth(here);
  const StormJudgment there = judgeStorm(strikes, here, kNow);
  ASSERT_TRUE(there.track && there.track->closestKm) << there.trackReason;
  EXPECT_NEAR(*there.track->closestKm, 8, 1);
  // The person has since moved 15 km south: the same path passes 23 km from them.
  const StormJudgment moved = judgeStorm(strikes, geo::destination(here, 180, 15000), kNow);
  ASSERT_TRUE(moved.track && moved.track->closestKm) << moved.trackReason;
  EXPECT_NEAR(*moved.track->closestKm, 23, 1.5);
  EXPECT_FALSE(moved.track->minutesTo10km);
}

TEST(StormJudgment, AWildNewestDirectionIsSetAsideAndDoesNotTurnTheStormRound) {
  const GeoPoint here{48.137, 11.575};
  std::vector<Strike> strikes = passingNorth(here);
  const StormJudgment clean = judgeStorm(strikes, here, kNow);
  ASSERT_TRUE(clean.track && clean.track->closestKm);
  Strike& wild = strikes.back();
  wild = placed(here, 0, std::fmod(wild.bearing->degrees + 180, 360), wild.km);
  const StormJudgment judged = judgeStorm(strikes, here, kNow);
  ASSERT_TRUE(judged.track && judged.track->closestKm) << judged.trackReason;
  EXPECT_EQ(judged.track->setAside, std::vector<double>{wild.time});
  EXPECT_LT(std::abs(std::remainder(judged.track->headingDegrees - 90, 360.0)), 10);
}

TEST(StormJudgment, TwoStormsAreNamedAndNotFittedWithOneLine) {
  const GeoPoint here{48.137, 11.575};
  std::vector<Strike> strikes;
  for (int i = 0; i < 12; ++i)  // interleaved: 7 km east and 17 km south-east
    strikes.push_back(placed(here, 30 - 2.5 * i, i % 2 ? 90 + (i % 3) : 130 - (i % 4),
                             i % 2 ? 7 + 0.3 * (i % 3) : 17 - 0.4 * (i % 3)));
  const StormJudgment judged = judgeStorm(strikes, here, kNow);
  ASSERT_EQ(judged.cells.size(), 2u);
  EXPECT_NEAR(judged.cells[0].km, 7.3, 0.5);
  EXPECT_NEAR(judged.cells[1].km, 16.6, 0.5);
  ASSERT_TRUE(judged.track);
  EXPECT_EQ(judged.track->direction, TrackDirection::Unclear);
  EXPECT_EQ(judged.trackReason, "two storms");
  EXPECT_EQ(cellsText(judged.cells, English{}), "Two storms: 7 km east of you and 17 km south-east of you");
}

TEST(StormJudgment, WordsGiveThePassingAsARangeAndTheTenKilometresInTheLocalesUnit) {
  const GeoPoint here{48.137, 11.575};
  const StormJudgment judged = judgeStorm(passingNorth(here, 6), here, kNow);
  ASSERT_TRUE(judged.track && judged.track->closestKm) << judged.trackReason;
  const TrackWords km = trackWords(*judged.track, English{});
  EXPECT_EQ(km.motion, "Moving east at about 40 km/h");
  EXPECT_TRUE(km.course.starts_with("May pass ") &&
              km.course.find(" km north of you in about 6 min") != std::string::npos &&
              km.course.ends_with("within 10 km now"))
      << km.course;
  English miles;
  miles.miles = true;
  const std::string course = trackWords(*judged.track, miles).course;
  EXPECT_TRUE(course.ends_with("within 6 mi now") && course.find("km") == std::string::npos) << course;
}

TEST(StormJudgment, NearAPoleAPassingStormIsNotHeadingStraightForThePersonAndLongitudesStayInRange) {
  for (const GeoPoint here : {GeoPoint{89.95, 179.99}, GeoPoint{-89.97, -179.99}}) {
    const StormJudgment judged = judgeStorm(passingNorth(here), here, kNow);
    ASSERT_TRUE(judged.track && judged.track->closestKm) << judged.trackReason;
    EXPECT_NE(judged.track->direction, TrackDirection::Approaching);
    EXPECT_NEAR(*judged.track->closestKm, 8, 1);
    EXPECT_GE(judged.track->centre.longitude, -180);
    EXPECT_LT(judged.track->centre.longitude, 180);
  }
}

TEST(StormJudgment, AClaimIsMadeOnlyOnceItHasHeldForTwoStrikes) {
  const GeoPoint here{48.137, 11.575};
  const std::vector<Strike> all = passingNorth(here);
  // The first moment the fit alone claims a motion, the judgment still withholds it.
  for (size_t n = 4; n <= all.size(); ++n) {
    const std::vector<Strike> seen(all.begin(), all.begin() + static_cast<long>(n));
    const double now = seen.back().time;
    const std::optional<Track> alone = trackAt(seen, here, now);
    if (!alone || !alone->closestKm) continue;
    const StormJudgment judged = judgeStorm(seen, here, now);
    EXPECT_FALSE(judged.track->closestKm);
    EXPECT_EQ(judged.trackReason, "not yet held for two strikes");
    return;
  }
  FAIL() << "the fit never claimed a motion";
}

}  // namespace
}  // namespace storm
