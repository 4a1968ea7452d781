#include <gtest/gtest.h>

#include <GeographicLib/Geodesic.hpp>
#include <algorithm>
#include <map>

#include "map/GeoMath.h"
#include "storm/Bearing.h"
#include "storm/Track.h"
#include "support/SyntheticStorm.h"

// Where the track puts storms whose path is known: a storm standing still is rarely given a motion,
// a moving one's speed, heading and closest approach come out close to the truth, one strike
// pointed the wrong way does not turn it round, and strikes are placed where the exact geodesic
// puts them.

namespace storm {
namespace {

constexpr double kNow = 1'750'000'000;

// A storm moving at `speed` towards `heading` that passes `closestKm` from the person
// `closestInMinutes` from now, watched for half an hour.
test::SyntheticStorm passing(double speed, double heading, double closestKm, double closestInMinutes, int strikes) {
  test::SyntheticStorm s;
  s.speedKmh = speed;
  s.headingDegrees = heading;
  s.minutes = 30;
  s.strikes = strikes;
  s.bearings = true;
  const double h = heading * M_PI / 180, back = speed * (30 + closestInMinutes) / 60;
  s.startKm = closestKm * std::cos(h) - back * std::sin(h);
  s.startNorthKm = -closestKm * std::sin(h) - back * std::cos(h);
  return s;
}

double median(std::vector<double> v) {
  std::nth_element(v.begin(), v.begin() + static_cast<long>(v.size() / 2), v.end());
  return v[v.size() / 2];
}

TEST(TrackClaims, AStormStandingStillIsRarelyGivenAMotion) {
  std::mt19937 random(3);
  int moving = 0;
  for (int i = 0; i < 1000; ++i) {
    test::SyntheticStorm s = passing(0, 0, 0, 0, 15);
    s.startKm = 12;
    const auto track = trackAt(test::simulateStorm(s, random, kNow), kNow);
    ASSERT_TRUE(track);
    moving += track->closestKm.has_value();
  }
  EXPECT_LE(moving, 30);
}

TEST(TrackClaims, AMovingStormsSpeedHeadingAndClosestApproachComeOutNearTheTruth) {
  std::mt19937 random(4);
  std::map<TrackDirection, int> said;
  std::vector<double> speed, heading, closest, minutes;
  for (int i = 0; i < 500; ++i) {
    const double truth = 360.0 * i / 500;
    const auto track = trackAt(test::simulateStorm(passing(40, truth, 8, 15, 15), random, kNow), kNow);
    ASSERT_TRUE(track);
    ++said[track->direction];
    if (!track->closestKm) continue;
    speed.push_back(std::abs(track->speedKmh - 40));
    heading.push_back(std::abs(std::remainder(track->headingDegrees - truth, 360.0)));
    closest.push_back(std::abs(*track->closestKm - 8));
    minutes.push_back(std::abs(*track->closestInMinutes - 15));
  }
  EXPECT_GE(said[TrackDirection::Passing] + said[TrackDirection::Approaching], 480);
  EXPECT_LE(said[TrackDirection::MovingAway], 5);
  EXPECT_LT(median(speed), 6);
  EXPECT_LT(median(heading), 12);
  EXPECT_LT(median(closest), 3);
  EXPECT_LT(median(minutes), 5);
}

TEST(TrackClaims, OneStrikePointedTheWrongWayDoesNotTurnTheStormRound) {
  std::mt19937 random(5);
  std::vector<Strike> strikes = test::simulateStorm(passing(40, 90, 0, 10, 12), random, kNow);
  const auto clean = trackAt(strikes, kNow);
  ASSERT_TRUE(clean && clean->closestKm);
  // The newest strike pointed to the opposite side.
  Strike& wrong = strikes.back();
  wrong.bearing->degrees = normalizedBearing(wrong.bearing->degrees + 180);
  wrong.bearing->placed = geo::destination(test::kSyntheticHere, wrong.bearing->degrees, wrong.km * 1000);
  const auto fouled = trackAt(strikes, kNow);
  ASSERT_TRUE(fouled);
  EXPECT_LT(std::abs(std::remainder(fouled->headingDegrees - 90, 360.0)), 20);
  EXPECT_NEAR(fouled->speedKmh, clean->speedKmh, 8);
  EXPECT_EQ(fouled->strikes, clean->strikes - 1);
}

TEST(StrikePlacing, PointsLieWhereTheExactGeodesicPutsThem) {
  const GeographicLib::Geodesic& exact = GeographicLib::Geodesic::WGS84();
  std::mt19937 random(6);
  std::uniform_real_distribution<double> lat(-89.9, 89.9), lon(-180, 180), bearing(0, 360), km(0, 120);
  double worst = 0;
  for (int i = 0; i < 20000; ++i) {
    const GeoPoint from{lat(random), lon(random)};
    const double b = bearing(random), metres = km(random) * 1000;
    const GeoPoint ours = geo::destination(from, b, metres);
    double lat2 = 0, lon2 = 0;
    exact.Direct(from.latitude, from.longitude, b, metres, lat2, lon2);
    double apart = 0;
    exact.Inverse(ours.latitude, ours.longitude, lat2, lon2, apart);
    worst = std::max(worst, apart);
  }
  EXPECT_LT(worst, 0.001) << "metres";
}

}  // namespace
}  // namespace storm
