#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "fakes/FakeServices.h"
#include "automation/Json.h"
#include "kit/Lifecycle.h"
#include "system/ManualClock.h"
#include "system/NumberParsing.h"
#include "kit/ViewLayout.h"

namespace storm {
namespace {

struct ParseCase {
  const char* text;
  float value;
};

class FloatValue : public ::testing::TestWithParam<ParseCase> {};

TEST_P(FloatValue, ReadsTheLeadingNumber) {
  EXPECT_EQ(floatValue(GetParam().text), GetParam().value) << GetParam().text;
}

INSTANTIATE_TEST_SUITE_P(Texts, FloatValue,
                         ::testing::Values(ParseCase{"10.500", 10.5f}, ParseCase{"29.386", 29.386f},
                                           ParseCase{"  \t3.25xyz", 3.25f}, ParseCase{"-1.5", -1.5f},
                                           ParseCase{"+2", 2.0f}, ParseCase{".5", 0.5f}, ParseCase{"", 0.0f},
                                           ParseCase{"abc", 0.0f}, ParseCase{"--1", 0.0f},
                                           ParseCase{"10,500", 10.0f},  // a comma ends the number
                                           ParseCase{"1e3s", 1000.0f}, ParseCase{"65.250", 65.25f}));

// Records the delegate calls, in order.
class RecordingDelegate : public ApplicationDelegate {
 public:
  bool applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>&) override { return true; }
  void applicationWillResignActive() override { calls += "resign "; }
  void applicationDidEnterBackground() override { calls += "background "; }
  void applicationWillEnterForeground() override { calls += "foreground "; }
  void applicationDidBecomeActive() override { calls += "active "; }
  void applicationWillTerminate() override { calls += "terminate "; }
  std::string calls;
};

struct Transition {
  std::vector<AppState> path;
  const char* calls;
};

class Lifecycle : public ::testing::TestWithParam<Transition> {};

TEST_P(Lifecycle, SystemStatesBecomeDelegateCallsInOrder) {
  RecordingDelegate delegate;
  LifecycleTracker tracker(delegate);
  for (AppState s : GetParam().path) tracker.moveTo(s);
  EXPECT_EQ(delegate.calls, GetParam().calls);
}

using S = AppState;
INSTANTIATE_TEST_SUITE_P(Paths, Lifecycle,
                         ::testing::Values(Transition{{S::Active}, "active "},
                                           Transition{{S::Active, S::Inactive, S::Active}, "active resign active "},
                                           Transition{{S::Active, S::Background}, "active resign background "},
                                           Transition{{S::Active, S::Background, S::Active},
                                                      "active resign background foreground active "},
                                           Transition{{S::Active, S::Background, S::Inactive, S::Active},
                                                      "active resign background foreground active "},
                                           Transition{{S::Active, S::Active, S::Active}, "active "},
                                           Transition{{S::Background}, "background "}));

TEST(LifecycleTracker, ObserversHearAfterTheDelegateAndTerminationIsFinal) {
  RecordingDelegate delegate;
  LifecycleTracker tracker(delegate);
  std::vector<LifecycleEvent> heard;
  tracker.addObserver([&](LifecycleEvent e) {
    EXPECT_FALSE(delegate.calls.empty());
    heard.push_back(e);
  });
  tracker.moveTo(AppState::Active);
  tracker.moveTo(AppState::Inactive);
  tracker.terminate();
  tracker.terminate();
  tracker.moveTo(AppState::Active);
  EXPECT_EQ(heard, (std::vector<LifecycleEvent>{LifecycleEvent::DidBecomeActive, LifecycleEvent::WillResignActive,
                                                LifecycleEvent::WillTerminate}));
}

TEST(AppDelegate, LaunchAnswersYesAndTheOtherEventsChangeNothing) {
  fakes::FakeServices fake;
  AppDelegate delegate;
  EXPECT_TRUE(delegate.applicationDidFinishLaunchingWithOptions({}));
  EXPECT_TRUE(delegate.applicationDidFinishLaunchingWithOptions({{"url", "x"}}));
  delegate.applicationWillResignActive();
  delegate.applicationDidEnterBackground();
  delegate.applicationDidBecomeActive();
  delegate.applicationWillTerminate();
  EXPECT_TRUE(fake.urls->opened.empty());
  EXPECT_TRUE(fake.logger->lines.empty());
}

TEST(ManualClock, RepeatingTimersFireAtEachMultipleWithTheClockSetToIt) {
  ManualClock clock(100);
  std::vector<double> at;
  auto timer = clock.scheduledTimer(0.25, true, [&] { at.push_back(clock.monotonic()); });
  clock.advance(1.0);
  EXPECT_EQ(at, (std::vector<double>{100.25, 100.5, 100.75, 101.0}));
  timer->invalidate();
  clock.advance(1.0);
  EXPECT_EQ(at.size(), 4u);
  EXPECT_FALSE(timer->isValid());
  EXPECT_EQ(clock.now(), 102.0);
}

TEST(ManualClock, ALongAdvanceCatchesUpWithOneFiringAtTheLastDueTime) {
  ManualClock clock(0);
  std::vector<double> at;
  auto tick = clock.scheduledTimer(0.01, true, [&] { at.push_back(clock.monotonic()); });
  bool once = false;
  auto later = clock.scheduledTimer(5e8, false, [&] { once = true; });
  clock.advance(1e9);
  ASSERT_EQ(at.size(), 1001u) << "a thousand at their times, then one for all the rest";
  EXPECT_DOUBLE_EQ(at[999], 10.0);
  EXPECT_DOUBLE_EQ(at.back(), 1e9);
  EXPECT_TRUE(once) << "other timers still fire";
  at.clear();
  clock.advance(0.02);
  EXPECT_EQ(at.size(), 2u) << "and the tick goes on from there";
  tick->invalidate();
}

TEST(ManualClock, OneShotTimersFireOnceAndTimersMayStopThemselves) {
  ManualClock clock;
  int once = 0, self = 0;
  auto a = clock.scheduledTimer(0.5, false, [&] { ++once; });
  std::shared_ptr<Timer> b;
  b = clock.scheduledTimer(0.1, true, [&] {
    if (++self == 3) b->invalidate();
  });
  clock.advance(10);
  EXPECT_EQ(once, 1);
  EXPECT_EQ(self, 3);
  EXPECT_EQ(clock.activeTimers(), 0u);
}

TEST(ManualClock, WallTimeMayJumpWhileIntervalsDoNot) {
  ManualClock clock(1000);
  clock.setWallTime(10);
  clock.advance(5);
  EXPECT_EQ(clock.now(), 15);
  EXPECT_EQ(clock.monotonic(), 1005);
}

TEST(Json, WritesValuesThatReadBackExactly) {
  Json j = Json::object()
               .set("s", "a\"b\\c\n\x01")
               .set("f", 0.1f)
               .set("d", 1020.8699951171875)
               .set("n", nullptr)
               .set("b", false)
               .set("a", Json(Json::Array{1, 2.5}));
  EXPECT_EQ(j.dump(),
            R"({"s":"a\"b\\c\n\u0001","f":0.10000000149011612,"d":1020.8699951171875,"n":null,"b":false,"a":[1,2.5]})");
  EXPECT_EQ(Json(std::numeric_limits<double>::infinity()).dump(), "null");
  EXPECT_EQ(Json(std::numeric_limits<long>::max()).dump(), "9223372036854775807");
}

struct ResizeCase {
  unsigned mask;
  Rect before;
  Rect after;
};

class Autoresizing : public ::testing::TestWithParam<ResizeCase> {};

TEST_P(Autoresizing, SharesTheChangeAmongTheFlexibleParts) {
  EXPECT_EQ(autoresizedFrame(GetParam().before, GetParam().mask, {320, 480}, {480, 320}), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(Masks, Autoresizing,
                         ::testing::Values(ResizeCase{0, {10, 10, 100, 100}, {10, 10, 100, 100}},
                                           ResizeCase{18, {0, 0, 320, 480}, {0, 0, 480, 320}},
                                           ResizeCase{18, {0, 0, 320, 430}, {0, 0, 480, 270}},
                                           ResizeCase{
                                               8 | 2, {0, 430, 320, 50}, {0, 270, 480, 50}},  // pinned to the bottom
                                           ResizeCase{1 | 4, {110, 0, 100, 10}, {190, 0, 100, 10}}));  // stays centred

}  // namespace
}  // namespace storm
