#include <gtest/gtest.h>

#include "app/qt/Lifecycle.h"

// The moves of the application's state become the resign-active event and the returns to the
// foreground, in order.

namespace storm::qt {
namespace {

struct Transition {
  std::vector<Qt::ApplicationState> path;
  const char* said;
};

class Lifecycles : public ::testing::TestWithParam<Transition> {};

TEST_P(Lifecycles, SayWhatTheyLeaveInOrder) {
  Lifecycle lifecycle;
  std::string said;
  QObject::connect(&lifecycle, &Lifecycle::willResignActive, [&] { said += "resign "; });
  QObject::connect(&lifecycle, &Lifecycle::willEnterForeground, [&] { said += "foreground "; });
  for (Qt::ApplicationState s : GetParam().path) lifecycle.moveTo(s);
  EXPECT_EQ(said, GetParam().said);
}

constexpr auto Active = Qt::ApplicationActive;
constexpr auto Inactive = Qt::ApplicationInactive;
constexpr auto Hidden = Qt::ApplicationHidden;
constexpr auto Suspended = Qt::ApplicationSuspended;
INSTANTIATE_TEST_SUITE_P(Paths, Lifecycles,
                         ::testing::Values(Transition{{Active}, ""}, Transition{{Active, Inactive, Active}, "resign "},
                                           Transition{{Active, Hidden}, "resign "},
                                           Transition{{Active, Hidden, Active}, "resign foreground "},
                                           Transition{{Active, Suspended, Inactive, Active}, "resign foreground "},
                                           Transition{{Active, Hidden, Suspended, Active}, "resign foreground "},
                                           Transition{{Active, Active, Active}, ""}, Transition{{Hidden}, ""}));

}  // namespace
}  // namespace storm::qt
