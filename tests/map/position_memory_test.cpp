#include <gtest/gtest.h>

#include "map/PositionMemory.h"
#include "support/FakePosition.h"
#include "support/FakeRating.h"
#include "system/ManualClock.h"

namespace storm {
namespace {

using fakes::FakeUserPosition;

class PositionMemoryTest : public ::testing::Test {
 protected:
  std::shared_ptr<fakes::FakePreferences> settings = std::make_shared<fakes::FakePreferences>();
  std::shared_ptr<FakeUserPosition> map = std::make_shared<FakeUserPosition>();
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(1.75e9);
  std::shared_ptr<PositionMemory> memory = std::make_shared<PositionMemory>(settings, map, clock);

  void keep(double lat, double lon) {
    settings->setDouble(lat, kLastLatitudeKey);
    settings->setDouble(lon, kLastLongitudeKey);
  }
  std::optional<GeoPoint> kept() const { return memory->remembered(); }
};

TEST_F(PositionMemoryTest, NothingKeptLeavesTheMapAsItIs) {
  memory->start();
  EXPECT_FALSE(map->restored);
  EXPECT_FALSE(map->shown);
}

TEST_F(PositionMemoryTest, AKeptPlaceIsPutBackWithItsTimeAndTheMapOpensAroundIt) {
  keep(47.3769, 8.5417);
  memory->start();
  EXPECT_EQ(map->restored, (GeoPoint{47.3769, 8.5417}));
  EXPECT_EQ(map->restoredTime, 0) << "kept by a version that wrote no time";
  settings->setDouble(1.7e9, kLastPositionTimeKey);
  memory->start();
  EXPECT_EQ(map->restoredTime, 1.7e9);
  ASSERT_TRUE(map->shown);
  EXPECT_EQ(map->shown->first, (GeoPoint{47.3769, 8.5417}));
  EXPECT_EQ(map->shown->second, kOpeningViewMetres);
}

TEST_F(PositionMemoryTest, AFixAtLaunchWinsOverTheKeptPlaceAndIsKept) {
  keep(47.3769, 8.5417);
  map->fix = GeoPoint{46.2, 6.1};
  memory->start();
  EXPECT_FALSE(map->restored);
  EXPECT_EQ(map->shown->first, (GeoPoint{46.2, 6.1}));
  EXPECT_EQ(kept(), (GeoPoint{46.2, 6.1}));
}

TEST_F(PositionMemoryTest, OnAFirstRunTheFirstFixOpensTheMapAroundIt) {
  memory->start();
  ASSERT_TRUE(map->observer);
  map->observer({46.2, 6.1}, UserPosition::Origin::Fix);
  ASSERT_TRUE(map->shown);
  EXPECT_EQ(map->shown->first, (GeoPoint{46.2, 6.1}));
  EXPECT_EQ(map->shown->second, kOpeningViewMetres);
  map->shown.reset();
  map->observer({46.3, 6.1}, UserPosition::Origin::Fix);
  EXPECT_FALSE(map->shown) << "only the first: the map stays where the user takes it";
}

TEST_F(PositionMemoryTest, AFileEditedOutOfRangeKeepsNothing) {
  keep(91, 8);
  EXPECT_FALSE(kept());
  keep(47, 181);
  EXPECT_FALSE(kept());
  settings->setObject(std::nullopt, kLastLongitudeKey);
  keep(47, 8);
  settings->setObject(std::nullopt, kLastLatitudeKey);
  EXPECT_FALSE(kept()) << "half a position is none";
}

TEST_F(PositionMemoryTest, SmallMovesOfAFixAreNotWrittenButAPlaceSetAlwaysIs) {
  memory->start();
  ASSERT_TRUE(map->observer);
  map->observer({47.0, 8.0}, UserPosition::Origin::Fix);
  EXPECT_EQ(kept(), (GeoPoint{47.0, 8.0}));
  map->observer({47.0005, 8.0}, UserPosition::Origin::Fix);  // about 56 m north
  EXPECT_EQ(kept(), (GeoPoint{47.0, 8.0}));
  clock->advance(kRememberAfterSeconds);
  map->observer({47.0005, 8.0}, UserPosition::Origin::Fix);
  EXPECT_EQ(memory->rememberedTime(), clock->now()) << "still there, a quarter of an hour on";
  map->observer({47.0, 179.9999}, UserPosition::Origin::Fix);
  EXPECT_EQ(kept(), (GeoPoint{47.0, 179.9999}));
  map->observer({47.0, -179.9999}, UserPosition::Origin::Fix);  // 15 m away across the date line
  EXPECT_EQ(kept(), (GeoPoint{47.0, 179.9999}));
  map->observer({47.0, 179.9999}, UserPosition::Origin::SetByUser);
  map->observer({47.0001, 179.9999}, UserPosition::Origin::SetByUser);
  EXPECT_EQ(kept(), (GeoPoint{47.0001, 179.9999}));
}

}  // namespace
}  // namespace storm
