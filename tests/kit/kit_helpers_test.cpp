#include <gtest/gtest.h>

#include "kit/Lifecycle.h"
#include "kit/ViewLayout.h"

// The lifecycle calls the system's states become, and the frames autoresizing gives.

namespace storm {
namespace {

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
