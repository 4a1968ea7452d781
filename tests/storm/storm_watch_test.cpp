#include <gtest/gtest.h>

#include "map/GeoMath.h"
#include "screens/MainViewController.h"
#include "storm/StormPicture.h"
#include "storm/StormWatch.h"
#include "support/FakePosition.h"
#include "support/FakeServices.h"
#include "support/FakeStorm.h"
#include "support/FakeViews.h"

// The storm feature wired as the application wires it, on the manual clock: the main screen's
// stopwatch announces each measurement, the watch logs it, and the picture hands the map's storm
// layer its rings and panel as strikes come and time passes; what is announced, and which timers
// run meanwhile.

namespace storm {
namespace {

TEST(StormFeature, TicksOnlyWhileSomethingChangesAndAnnouncesEachAllClearOnce) {
  fakes::FakeServices fake;
  auto log = std::make_shared<fakes::MemoryStrikeLog>();
  auto notifier = std::make_shared<fakes::RecordingNotifier>();
  auto position = std::make_shared<fakes::FakeUserPosition>();
  position->fix = GeoPoint{47, 8};
  position->metres = 25;
  auto watch =
      std::make_shared<StormWatch>(StormWatch::Services{log, fake.clock, fake.clock, notifier, nullptr, position});
  auto layer = std::make_shared<fakes::RecordingStormLayer>();
  auto picture = std::make_shared<StormPicture>(watch, layer, StormPicture::Services{fake.clock, fake.clock, nullptr});
  auto stopwatch = fake.stopwatch();
  stopwatch->addMeasurementObserver([watch](const Measurement& m) { watch->measured(m); });
  stopwatch->addTimingObserver([watch](bool timing) { watch->setTiming(timing); });
  auto controller = std::make_shared<MainViewController>(stopwatch, fake.mainScreen());
  auto map = std::make_shared<fakes::FakeMapView>();
  map->location = position->fix;
  controller->setMapView(map);
  auto time = std::make_shared<fakes::FakeLabel>();  // the delay is read off it
  controller->setTime(time);
  watch->start();
  picture->start();
  EXPECT_EQ(fake.clock->activeTimers(), 0u) << "nothing to show, nothing running";

  auto measure = [&](double seconds) {
    controller->button();
    fake.clock->advance(seconds);
    controller->button();
  };
  measure(40);
  ASSERT_EQ(log->strikes.size(), 1u);
  EXPECT_EQ(log->strikes[0].delay, 40);
  EXPECT_EQ(log->strikes[0].position, (StrikePosition{47, 8, 25, "system"}));
  fake.clock->advance(120);
  const int workedOut = layer->stormsWorkedOut;
  measure(5);
  EXPECT_EQ(layer->stormsWorkedOut - workedOut, 1) << "the storm is worked out once a stop, not at its start too";
  EXPECT_EQ(layer->rings.size(), 1u) << "the newest strike is the circle's, the earlier one a ring";
  EXPECT_EQ(layer->panel.countdown, "All clear in 30:00");
  const int before = layer->panelsSet;
  fake.clock->advance(600);
  EXPECT_EQ(layer->panelsSet - before, 600) << "one refresh a second while sheltering";
  EXPECT_EQ(layer->panel.countdown, "All clear in 20:00");

  EXPECT_FALSE(layer->circlePast);
  fake.clock->advance(1200);
  EXPECT_EQ(notifier->sent, std::vector<std::string>{"All clear|No thunder within 10 km for the last 30 minutes."});
  EXPECT_TRUE(layer->circlePast) << "after the all-clear the circle is drawn as the past";
  // A direction given afterwards places the strike and leaves the all-clear as it was.
  watch->setBearing(log->strikes[1], 120, BearingSource::Key);
  ASSERT_TRUE(log->strikes[1].bearing && log->strikes[1].bearing->placed);
  EXPECT_EQ(*log->strikes[1].bearing->placed, geo::destination({47, 8}, 120, log->strikes[1].km * 1000));
  EXPECT_EQ(layer->marks.size(), 1u);
  EXPECT_TRUE(watch->allClear());
  EXPECT_FALSE(layer->panel.clear.empty());
  EXPECT_EQ(fake.clock->activeTimers(), 1u) << "only the ring's fading, once a minute";
  const int cleared = layer->panelsSet;
  fake.clock->advance(3600);
  EXPECT_LE(layer->panelsSet - cleared, 60);
  EXPECT_TRUE(layer->rings.empty());
  EXPECT_EQ(layer->panel.age, "Last strike 1 h 30 min ago") << "a result this old does not pass for a fresh one";
  fake.clock->advance(kAgeShownSeconds);
  EXPECT_TRUE(layer->panel.age.empty());
  EXPECT_EQ(fake.clock->activeTimers(), 0u) << "at rest";
  EXPECT_EQ(notifier->sent.size(), 1u);
}

// Clearing the log wipes the record, not the danger: a call to shelter runs on to its all-clear.
TEST(StormFeature, ClearingTheLogKeepsTheCallToShelter) {
  fakes::FakeServices fake;
  auto log = std::make_shared<fakes::MemoryStrikeLog>();
  auto notifier = std::make_shared<fakes::RecordingNotifier>();
  auto watch = std::make_shared<StormWatch>(StormWatch::Services{log, fake.clock, fake.clock, notifier, nullptr, nullptr});
  auto stopwatch = fake.stopwatch();
  stopwatch->addMeasurementObserver([watch](const Measurement& m) { watch->measured(m); });
  auto controller = std::make_shared<MainViewController>(stopwatch, fake.mainScreen());
  auto time = std::make_shared<fakes::FakeLabel>();
  controller->setTime(time);
  watch->start();
  controller->button();
  fake.clock->advance(5);
  controller->button();
  fake.clock->advance(600);
  ASSERT_TRUE(watch->shelter().shelter);
  bool cleared = false;
  watch->clear([&](bool done) { cleared = done; });
  ASSERT_TRUE(cleared && log->strikes.empty());
  EXPECT_TRUE(watch->shelter().shelter);
  EXPECT_EQ(watch->shelter().allClearIn, 1200);
  fake.clock->advance(1200);
  EXPECT_FALSE(watch->shelter().shelter);
  EXPECT_EQ(notifier->sent.size(), 1u) << "the all-clear comes as it would have";
}

// A direction is kept to the millionth of a degree the export writes, whatever was typed.
TEST(StormFeature, ADirectionIsKeptToTheMillionthOfADegree) {
  fakes::FakeServices fake;
  auto log = std::make_shared<fakes::MemoryStrikeLog>();
  Strike s;
  s.time = fake.clock->now() - 60;
  s.km = 5;
  log->strikes.push_back(s);
  auto watch = std::make_shared<StormWatch>(StormWatch::Services{log, fake.clock, fake.clock, nullptr, nullptr, nullptr});
  for (const auto& [typed, kept] : {std::pair{5e-324, 0.0}, std::pair{45.12345678912, 45.123457},
                                    std::pair{359.9999999, 0.0}}) {
    watch->setBearing(log->strikes[0], typed, BearingSource::Typed);
    ASSERT_TRUE(log->strikes[0].bearing) << typed;
    EXPECT_EQ(log->strikes[0].bearing->degrees, kept) << typed;
  }
}

// However many strikes the hour holds, the map gets the rings of the newest of them only, newest first.
TEST(StormFeature, RingsTheNewestStrikesOnly) {
  fakes::FakeServices fake;
  auto log = std::make_shared<fakes::MemoryStrikeLog>();
  const double now = fake.clock->now();
  const int count = static_cast<int>(kMostStrikeRings) + 50;
  for (int i = 0; i < count; ++i) {
    Strike s;
    s.time = now - 3000 + i * 10;
    s.delay = 20;
    s.km = 1 + 0.01 * i;  // tells the strikes apart
    s.position = StrikePosition{47, 8, 25, "pinned"};
    log->strikes.push_back(s);
  }
  auto watch =
      std::make_shared<StormWatch>(StormWatch::Services{log, fake.clock, fake.clock, nullptr, nullptr, nullptr});
  auto layer = std::make_shared<fakes::RecordingStormLayer>();
  auto picture = std::make_shared<StormPicture>(watch, layer, StormPicture::Services{fake.clock, fake.clock, nullptr});
  watch->start();
  picture->start();
  ASSERT_EQ(layer->rings.size(), kMostStrikeRings);
  EXPECT_EQ(layer->rings.front().km, log->strikes.back().km);
  EXPECT_EQ(layer->rings.back().km, log->strikes[log->strikes.size() - kMostStrikeRings].km);
  EXPECT_GT(layer->rings.front().opacity, layer->rings.back().opacity);
}

}  // namespace
}  // namespace storm
