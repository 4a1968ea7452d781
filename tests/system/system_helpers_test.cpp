#include <gtest/gtest.h>

#include "system/ManualClock.h"
#include "system/NumberParsing.h"

// Reading a number off a label the way the stopwatch does, and the manual clock of the tests and
// the automation mode.

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

}  // namespace
}  // namespace storm
