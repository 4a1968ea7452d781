#include <gtest/gtest.h>

#include "fakes/FakePlatform.h"
#include "fakes/FakeViews.h"
#include "screens/MainViewController.h"
#include "storm/StormWatch.h"

// The main screen with the storm watch on the manual clock: what the map is handed as strikes come
// and time passes, what is announced, and which timers run meanwhile.

namespace storm {
namespace {

class MemoryLog : public StrikeStore {
 public:
  void append(const Strike& strike) override { strikes.push_back(strike); }
  std::vector<Strike> recent(double since) const override {
    std::vector<Strike> out;
    for (const Strike& s : strikes)
      if (s.time >= since) out.push_back(s);
    return out;
  }
  void allStrikes(std::function<void(std::vector<Strike>)>) override {}
  void clear(std::function<void(bool)>) override {}
  void exportCSV(const std::string&, std::function<void(bool)>) override {}
  std::vector<Strike> strikes;
};

class RecordingNotifier : public DesktopNotifier {
 public:
  void notify(const std::string& summary, const std::string& body) override { sent.push_back(summary + "|" + body); }
  std::vector<std::string> sent;
};

TEST(StormWatchOnTheMainScreen, TicksOnlyWhileSomethingChangesAndAnnouncesEachAllClearOnce) {
  fakes::FakePlatform fake;
  auto log = std::make_shared<MemoryLog>();
  auto notifier = std::make_shared<RecordingNotifier>();
  fake.platform.strikes = log;
  auto watch = std::make_shared<StormWatch>(log, fake.clock, fake.clock, notifier, nullptr);
  auto controller = std::make_shared<MainViewController>(fake.platform, std::make_shared<Stopwatch>(), watch);
  auto map = std::make_shared<fakes::FakeMapView>();
  map->location = CLLocationCoordinate2D{47, 8};
  controller->setOutlet("mapView", map);
  auto time = std::make_shared<fakes::FakeLabel>();  // the delay is read off it
  controller->setOutlet("time", time);
  watch->start();
  controller->watchStorm();
  EXPECT_EQ(fake.clock->activeTimers(), 0u) << "nothing to show, nothing running";

  auto measure = [&](double seconds) {
    controller->button(nullptr);
    fake.clock->advance(seconds);
    controller->button(nullptr);
  };
  measure(40);
  fake.clock->advance(120);
  measure(5);
  EXPECT_EQ(map->rings.size(), 1u);
  EXPECT_EQ(map->panel.countdown, "All clear in 30:00");
  const int before = map->panelsSet;
  fake.clock->advance(600);
  EXPECT_EQ(map->panelsSet - before, 600) << "one refresh a second while sheltering";
  EXPECT_EQ(map->panel.countdown, "All clear in 20:00");

  fake.clock->advance(1200);
  EXPECT_EQ(notifier->sent, std::vector<std::string>{"All clear|No thunder within 10 km for the last 30 minutes."});
  EXPECT_EQ(fake.clock->activeTimers(), 1u) << "only the ring's fading, once a minute";
  const int cleared = map->panelsSet;
  fake.clock->advance(3600);
  EXPECT_LE(map->panelsSet - cleared, 60);
  EXPECT_TRUE(map->rings.empty());
  EXPECT_EQ(fake.clock->activeTimers(), 0u) << "at rest";
  EXPECT_EQ(notifier->sent.size(), 1u);
}

}  // namespace
}  // namespace storm
