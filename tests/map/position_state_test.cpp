#include <gtest/gtest.h>
#include <cmath>

#include "map/PositionState.h"

// How far the map trusts the position: by its source, accuracy, age and the location service's
// problem; and which report stands when fixes, places and given positions meet.

namespace storm {
namespace {

using Standing = PositionState::Standing;

constexpr double kNow = 1.75e9;

PositionReport report(PositionSource source, double accuracy, double age) {
  return {{47.37, 8.54}, accuracy, source, age < 0 ? 0 : kNow - age};
}

struct Case {
  const char* what;
  PositionSource source;
  double accuracy;
  double age;  // seconds; below 0: unknown
  PositionProblem problem;
  Standing standing;
};

class Standings : public ::testing::TestWithParam<Case> {};

TEST_P(Standings, FollowSourceAccuracyAgeAndProblem) {
  const Case& c = GetParam();
  PositionState state;
  if (c.source == PositionSource::Pinned)
    state.setByUser(report(c.source, c.accuracy, c.age));
  else if (c.source == PositionSource::Remembered)
    state.restore(report(c.source, c.accuracy, c.age));
  else
    state.setFix(report(c.source, c.accuracy, c.age));
  state.setProblem(c.problem);
  EXPECT_EQ(state.standingAt(kNow), c.standing) << c.what;
}

INSTANTIATE_TEST_SUITE_P(
    Positions, Standings,
    ::testing::Values(
        Case{"a fresh GPS fix", PositionSource::System, 5, 10, PositionProblem::None, Standing::Current},
        Case{"a fix just 1 km rough", PositionSource::System, 1000, 10, PositionProblem::None, Standing::Current},
        Case{"a city-level fix", PositionSource::System, 25000, 10, PositionProblem::None, Standing::Approximate},
        Case{"a fix that does not say how accurate", PositionSource::System, 0, 10, PositionProblem::None,
             Standing::Approximate},
        Case{"a fix of no accuracy at all", PositionSource::Nmea, std::nan(""), 10, PositionProblem::None,
             Standing::Approximate},
        Case{"a fix of five minutes", PositionSource::System, 5, 300, PositionProblem::None, Standing::Current},
        Case{"a fix past five minutes", PositionSource::Nmea, 5, 301, PositionProblem::None, Standing::Old},
        Case{"a fix of a service now off", PositionSource::System, 5, 10, PositionProblem::Off, Standing::Old},
        Case{"a position given outright", PositionSource::Fixed, 0, 86400, PositionProblem::None, Standing::Current},
        Case{"the user's place", PositionSource::Pinned, 0, 86400, PositionProblem::Off, Standing::SetByUser},
        Case{"a kept place of known age", PositionSource::Remembered, 0, 7200, PositionProblem::None, Standing::Old},
        Case{"a kept place of no age", PositionSource::Remembered, 0, -1, PositionProblem::None, Standing::Kept}));

TEST(PositionState, FixesPlacesAndGivenPositionsMeet) {
  PositionState state;
  EXPECT_EQ(state.standingAt(kNow), Standing::Unknown);
  EXPECT_TRUE(state.restore(report(PositionSource::Remembered, 0, 60)));
  EXPECT_EQ(state.ageAt(kNow), 60);
  state.setFix(report(PositionSource::System, 8, 0));
  EXPECT_FALSE(state.restore(report(PositionSource::Remembered, 0, 60))) << "a fix is not replaced by a kept place";
  state.setFix(std::nullopt);
  EXPECT_FALSE(state.report()) << "the kept place went with the fix that replaced it";

  state.setByUser(report(PositionSource::Pinned, 0, 0));
  state.setFix(std::nullopt);
  EXPECT_EQ(state.report()->source, PositionSource::Pinned) << "losing the fix leaves the user's place";

  state.giveOutright(report(PositionSource::Fixed, 0, 0));
  state.setFix(report(PositionSource::System, 8, 0));
  EXPECT_EQ(state.report()->source, PositionSource::Fixed) << "sources are not heard while a position is given";
  state.stopGivingOutright();
  EXPECT_FALSE(state.report());
  state.setFix(PositionReport{{1, 2}, -4, PositionSource::System, -1});
  EXPECT_EQ(state.report()->accuracy, 0) << "no accuracy rather than a negative one";
  EXPECT_FALSE(state.ageAt(kNow)) << "no time rather than a negative one";
}

}  // namespace
}  // namespace storm
