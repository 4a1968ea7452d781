#include <gtest/gtest.h>

#include "app/AppDelegate.h"
#include "support/FakeServices.h"

// The application's delegate on its own: it answers the launch and changes nothing else.

namespace storm {
namespace {

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

}  // namespace
}  // namespace storm
