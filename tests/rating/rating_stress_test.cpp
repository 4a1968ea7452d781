#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "support/FakeServices.h"
#include "rating/RatingPrompt.h"

// Counting from two threads while answers arrive from a third loses no use. Run under TSan too.

namespace storm {
namespace {

constexpr double kNow = 1'000'000'000;
constexpr int kCallsPerThread = 10'000;

TEST(RatingStress, ConcurrentCountingAndAnswersLoseNoUse) {
  fakes::FakeServices fake(kNow);
  auto prompt = std::make_shared<RatingPrompt>(fake.rating());
  fakes::FakeAlertView alert;

  std::atomic<int> counting{2};
  auto count = [&] {
    for (int i = 0; i < kCallsPerThread; ++i) prompt->incrementAndRate(true);
    --counting;
  };
  std::thread first(count);
  std::thread second(count);
  std::thread answers([&] {
    for (long n = 0; counting > 0; ++n) {
      if (n % 3 == 1)
        prompt->rateApp();
      else
        prompt->alertViewClickedButtonAtIndex(alert, n % 3);
    }
  });
  first.join();
  second.join();
  answers.join();

  EXPECT_EQ(fake.preferences->integerForKey(kRatingPromptUseCount), 2 * kCallsPerThread);
  EXPECT_EQ(fake.preferences->stringForKey(kRatingPromptCurrentVersion), "1.0");
  EXPECT_EQ(fake.preferences->doubleForKey(kRatingPromptFirstUseDate), kNow);
  EXPECT_FALSE(fake.preferences->containsKey(kRatingPromptSignificantEventCount));
  EXPECT_EQ(fake.preferences->saved(), fake.preferences->values()) << "the last save holds the last count";
}

}  // namespace
}  // namespace storm
