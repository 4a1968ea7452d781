#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "rating/RatingPrompt.h"
#include "support/FakeServices.h"

// The application's delegate on its own: it answers the launch, and hands the launch and each
// return to the foreground, and nothing else, to the rating prompt.

namespace storm {
namespace {

TEST(AppDelegate, HandsTheLaunchAndEachReturnToTheForegroundToTheRatingPrompt) {
  // The rating prompt's shared instance lives for the whole process, so its services do too.
  static fakes::FakeServices fake;
  RatingPrompt::setSharedServices(fake.rating());
  AppDelegate delegate;
  EXPECT_TRUE(delegate.applicationDidFinishLaunchingWithOptions({}));
  EXPECT_TRUE(delegate.applicationDidFinishLaunchingWithOptions({{"url", "x"}}));
  EXPECT_EQ(fake.dispatch->pendingLowPriority(), 2u) << "each launch is one use, queued";
  EXPECT_EQ(fake.dispatch->runLowPriority(), 2);

  delegate.applicationWillResignActive();
  delegate.applicationDidEnterBackground();
  delegate.applicationDidBecomeActive();
  delegate.applicationWillTerminate();
  EXPECT_EQ(fake.dispatch->pendingLowPriority(), 0u) << "only launches and foreground returns count";
  delegate.applicationWillEnterForeground();
  EXPECT_EQ(fake.dispatch->runLowPriority(), 1);
  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 3);
  EXPECT_TRUE(fake.urls->opened.empty());
  EXPECT_TRUE(fake.logger->lines.empty());
  RatingPrompt::setSharedServices(nullptr);
}

}  // namespace
}  // namespace storm
