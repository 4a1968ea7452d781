#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <optional>
#include <vector>

#include "measure/Measurement.h"
#include "system/ManualClock.h"
#include "storm/Shelter.h"
#include "storm/SpeedOfSound.h"
#include "storm/Trend.h"
#include "storm/Bearing.h"

namespace storm {
namespace {

constexpr double kNow = 1'700'000'000;

// A strike `minutesAgo` before kNow at `km`, with the delay that distance takes at standard speed.
Strike strikeAt(double minutesAgo, double km) {
  Strike s;
  s.time = kNow - minutesAgo * 60;
  s.km = km;
  s.speed = kSpeedOfSoundKmPerSecond;
  s.delay = km / kSpeedOfSoundKmPerSecond;
  return s;
}

// Strikes every 14 / (n - 1) minutes over the quarter hour on a line through `kmNow` at `perMinute`.
std::vector<std::pair<double, double>> line(double kmNow, double perMinute, int n = 8) {
  std::vector<std::pair<double, double>> strikes;
  for (int i = 0; i < n; ++i) {
    const double ago = 14.0 * i / (n - 1);
    strikes.push_back({ago, kmNow - perMinute * ago});
  }
  return strikes;
}

std::vector<std::pair<double, double>> withOutlier(std::vector<std::pair<double, double>> strikes,
                                                   std::pair<double, double> outlier) {
  strikes.push_back(outlier);
  return strikes;
}

// Forty-one strikes at 12 km, the last three minutes' coming in to 8 km.
std::vector<std::pair<double, double>> turnedToCome() {
  std::vector<std::pair<double, double>> strikes = line(12, 0, 41);
  for (auto& [ago, km] : strikes)
    if (ago < 3) km = 12 - (3 - ago) * 4 / 3;
  return strikes;
}

struct TrendCase {
  const char* name;
  std::vector<std::pair<double, double>> strikes;  // minutes ago, km
  std::optional<TrendDirection> direction;         // nothing: no trend at all
  double kmPerMinute;
  std::optional<double> minutesTo10km;
  double slopeTolerance = 1e-6;
};

class TrendFit : public ::testing::TestWithParam<TrendCase> {};

TEST_P(TrendFit, DirectionRateAndTimeToTenKilometres) {
  const TrendCase& c = GetParam();
  std::vector<Strike> strikes;
  for (auto [ago, km] : c.strikes) strikes.push_back(strikeAt(ago, km));
  const std::optional<Trend> trend = trendAt(strikes, kNow);
  ASSERT_EQ(trend.has_value(), c.direction.has_value());
  if (!trend) return;
  EXPECT_EQ(directionName(trend->direction), std::string(directionName(*c.direction)));
  EXPECT_NEAR(trend->kmPerMinute, c.kmPerMinute, c.slopeTolerance);
  ASSERT_EQ(trend->minutesTo10km.has_value(), c.minutesTo10km.has_value());
  if (c.minutesTo10km) {
    EXPECT_NEAR(*trend->minutesTo10km, *c.minutesTo10km, 1e-6);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, TrendFit,
    ::testing::Values(
        TrendCase{"none", {}, std::nullopt, 0, std::nullopt},
        // Two strikes say nothing, however far apart: any line fits two points.
        TrendCase{"two", {{10, 20}, {0, 10}}, std::nullopt, 0, std::nullopt},
        // Three strikes within five minutes say nothing either.
        TrendCase{"quick", {{4, 20}, {2, 15}, {0, 10}}, std::nullopt, 0, std::nullopt},
        // Only two strikes inside the quarter hour.
        TrendCase{"twoInWindow", {{20, 30}, {10, 20}, {0, 12}}, std::nullopt, 0, std::nullopt},
        // A storm closing in at 60 km/h: the fitted line, not the last point, says how far it is now.
        TrendCase{"approaching", line(16, -1.0), TrendDirection::Approaching, -1.0, 6.0},
        TrendCase{"alreadyClose", line(8, -1.5), TrendDirection::Approaching, -1.5, 0.0},
        TrendCase{"movingAway", line(26, 1.5), TrendDirection::MovingAway, 1.5, std::nullopt},
        // Three strikes on a clean line: one degree of freedom leaves any slope within its interval.
        TrendCase{"threeOnALine", {{14, 30}, {7, 23}, {0, 16}}, TrendDirection::Unclear, -1.0, std::nullopt},
        // 40 km/h over five minutes is within what a storm's scatter makes of three strikes.
        TrendCase{"withinScatter", {{5, 14.3}, {2.5, 12.6}, {0, 11}}, TrendDirection::Unclear, -0.66, std::nullopt},
        // Forty strikes tight about a flat line: keeping its distance.
        TrendCase{"steady", line(12, 0, 41), TrendDirection::Steady, 0, std::nullopt},
        // One strike far off does not move a robust line.
        TrendCase{"outlier", withOutlier(line(16, -1.0), {7, 2}), TrendDirection::Approaching, -1.0, 6.0},
        // A storm that kept its distance and has just begun to come: its newest strikes lie nearer
        // than the line through the quarter hour expects, so no "moving away" and no "keeping its
        // distance" is said.
        TrendCase{"turnedToCome", turnedToCome(), TrendDirection::Unclear, 0, std::nullopt, 0.01},
        // Faster than storms go: noise, not motion.
        TrendCase{"tooFast", {{10, 40}, {5, 20}, {0, 2}}, TrendDirection::Unclear, -3.8, std::nullopt}),
    [](const auto& info) { return std::string(info.param.name); });

// A direction typed as the locale's own number field shows it reads back; a space inside a number
// makes it none.
TEST(BearingText, TheLocalesDigitsReadBackAndASpaceInsideIsNoNumber) {
  EXPECT_EQ(parseBearing("\u0662\u0660\u0662\u066b\u0665"), 202.5);  // Arabic
  EXPECT_EQ(parseBearing("\u06f4\u06f5"), 45.0);                        // Persian
  EXPECT_EQ(parseBearing(" 202,5\u00b0 "), 202.5);
  EXPECT_FALSE(parseBearing("4 5"));
  EXPECT_FALSE(parseBearing("\u0664\u0665\u066c\u0660"));  // a thousands separator
  EXPECT_FALSE(parseBearing("360"));
}

TEST(TrendFit, NothingFromStrikesAfterNow) {
  // A strike dated after the clock (the wall clock was set back) is not part of the quarter hour.
  EXPECT_FALSE(trendAt({strikeAt(10, 12), strikeAt(5, 12), strikeAt(-1, 11)}, kNow).has_value());
}

// The countdown on the manual clock.
class ShelterOnTheClock : public ::testing::Test {
 protected:
  std::shared_ptr<ManualClock> clock = std::make_shared<ManualClock>(kNow);
  ShelterCountdown countdown{clock, clock};
  int clears = 0;
  void SetUp() override {
    countdown.allClear = [this] { ++clears; };
  }
  // A strike whose thunder is heard now, `delay` seconds after its flash.
  Strike heardNow(double delay) {
    Strike s;
    s.delay = delay;
    s.time = clock->now() - delay;
    s.km = delay * kSpeedOfSoundKmPerSecond;
    return s;
  }
};

TEST_F(ShelterOnTheClock, CloseStrikeShelters30MinutesThenClearsOnce) {
  countdown.strikeRecorded(heardNow(12));
  EXPECT_TRUE(countdown.status().shelter);
  EXPECT_DOUBLE_EQ(*countdown.status().allClearIn, 1800);
  clock->advance(1799);
  EXPECT_TRUE(countdown.status().shelter);
  EXPECT_DOUBLE_EQ(*countdown.status().allClearIn, 1);
  EXPECT_EQ(clears, 0);
  clock->advance(1);
  EXPECT_FALSE(countdown.status().shelter);
  EXPECT_FALSE(countdown.status().allClearIn.has_value());
  EXPECT_EQ(clears, 1);
  clock->advance(3600);
  EXPECT_EQ(clears, 1);
}

TEST_F(ShelterOnTheClock, EachCloseStrikeRestartsTheCountdown) {
  countdown.strikeRecorded(heardNow(30));  // the edge still counts as close
  clock->advance(1200);
  countdown.strikeRecorded(heardNow(5));
  EXPECT_DOUBLE_EQ(*countdown.status().allClearIn, 1800);
  clock->advance(1200);  // past the first countdown's end
  EXPECT_TRUE(countdown.status().shelter);
  EXPECT_EQ(clears, 0);
  clock->advance(600);
  EXPECT_EQ(clears, 1);
  // Sheltering again after the all-clear ends again with one more.
  countdown.strikeRecorded(heardNow(20));
  clock->advance(1800);
  EXPECT_EQ(clears, 2);
}

TEST_F(ShelterOnTheClock, FarAndStaleStrikesChangeNothing) {
  countdown.strikeRecorded(heardNow(31));
  EXPECT_FALSE(countdown.status().shelter);
  countdown.strikeRecorded(heardNow(10));
  clock->advance(600);
  // An older close strike (read back from the log) must not shorten the countdown...
  Strike older = heardNow(10);
  older.time -= 900;
  countdown.strikeRecorded(older);
  EXPECT_DOUBLE_EQ(*countdown.status().allClearIn, 1200);
  // ...and one more than half an hour old starts nothing after the all-clear.
  clock->advance(1200);
  EXPECT_EQ(clears, 1);
  older.time = clock->now() - 4000;
  countdown.strikeRecorded(older);
  EXPECT_FALSE(countdown.status().shelter);
  clock->advance(3600);
  EXPECT_EQ(clears, 1);
}

TEST_F(ShelterOnTheClock, TheLogGivesTheSameAnswerAsTheCountdown) {
  std::vector<Strike> log;
  for (double delay : {40.0, 25.0, 50.0}) {
    log.push_back(heardNow(delay));
    countdown.strikeRecorded(log.back());
    clock->advance(300);
  }
  for (int step = 0; step < 8; ++step) {
    const ShelterStatus fromLog = shelterAt(log, clock->now());
    EXPECT_EQ(fromLog.shelter, countdown.status().shelter);
    EXPECT_EQ(fromLog.allClearIn.has_value(), countdown.status().allClearIn.has_value());
    if (fromLog.allClearIn) {
      EXPECT_DOUBLE_EQ(*fromLog.allClearIn, *countdown.status().allClearIn);
    }
    clock->advance(300);
  }
}

struct TemperatureCase {
  double celsius;
  std::optional<double> metresPerSecond;
};

class SpeedFromTemperature : public ::testing::TestWithParam<TemperatureCase> {};

TEST_P(SpeedFromTemperature, FollowsTheFormulaWithinTheLimits) {
  const auto& c = GetParam();
  const std::optional<double> speed = speedOfSoundAt(c.celsius);
  ASSERT_EQ(speed.has_value(), c.metresPerSecond.has_value()) << c.celsius;
  if (speed) {
    EXPECT_NEAR(*speed * 1000, *c.metresPerSecond, 1e-9);
  }
}

INSTANTIATE_TEST_SUITE_P(Limits, SpeedFromTemperature,
                         ::testing::Values(TemperatureCase{0, 331.3}, TemperatureCase{20, 343.21462268256795},
                                           TemperatureCase{-40, 306.08253062487097},
                                           TemperatureCase{50, 360.3486617955501},
                                           TemperatureCase{-40.001, std::nullopt},
                                           TemperatureCase{50.001, std::nullopt},
                                           TemperatureCase{-273.15, std::nullopt}, TemperatureCase{1e300, std::nullopt},
                                           TemperatureCase{std::numeric_limits<double>::quiet_NaN(), std::nullopt},
                                           TemperatureCase{std::numeric_limits<double>::infinity(), std::nullopt},
                                           TemperatureCase{-std::numeric_limits<double>::infinity(), std::nullopt}));

TEST(SpeedFromTemperature, StandardSpeedKeepsTheStandardBits) {
  for (float seconds : {0.0f, 3.0f, 10.5f, 29.385999679565430f, 65.25f, 1234.567f}) {
    const Distance standard = distanceForSeconds(seconds);
    const Distance explicitSpeed = distanceForSeconds(seconds, 0.34029);
    EXPECT_EQ(std::memcmp(&standard, &explicitSpeed, sizeof standard), 0) << seconds;
  }
  // A cold day shortens the distance, with the same float arithmetic.
  const Distance cold = distanceForSeconds(3.0f, *speedOfSoundAt(-10));
  EXPECT_EQ(cold.kilometres, static_cast<float>(3.0 * *speedOfSoundAt(-10)));
  EXPECT_LT(cold.kilometres, distanceForSeconds(3.0f).kilometres);
}

TEST(TemperatureEntry, ReadsWhatPeopleTypeAndRefusesTheRest) {
  using K = TemperatureEntry::Kind;
  EXPECT_EQ(parseTemperatureEntry("", false).kind, K::Standard);
  EXPECT_EQ(parseTemperatureEntry("  Standard ", true).kind, K::Standard);
  const struct {
    const char* text;
    bool fahrenheit;
    double celsius;
  } accepted[] = {{"20", false, 20},
                  {"-3,5", false, -3.5},
                  {"\u2212"
                   "40",
                   false, -40},
                  {"68", true, 20},
                  {"68 °F", false, 20},
                  {"20°C", true, 20},
                  {"-40F", false, -40},
                  {"50 c", true, 50}};
  for (const auto& a : accepted) {
    const TemperatureEntry e = parseTemperatureEntry(a.text, a.fahrenheit);
    ASSERT_EQ(e.kind, K::Degrees) << a.text;
    EXPECT_NEAR(e.celsius, a.celsius, 1e-9) << a.text;
  }
  for (const char* refused : {"50.1", "-41", "123 F", "twenty", "20 K", "1e400", "nan", "20,5,1", "--3"}) {
    EXPECT_EQ(parseTemperatureEntry(refused, false).kind, K::Invalid) << refused;
  }
}

}  // namespace
}  // namespace storm
