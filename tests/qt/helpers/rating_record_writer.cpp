// Counts uses into the rating record at PATH without end, printing the count after each save, so
// that a test can kill it in the middle of one. The clock stands still at EPOCH and the version is
// "1.0"; a large padding value makes each save long enough to be interrupted.
//
//   rating_record_writer PATH EPOCH

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "fakes/FakeRating.h"
#include "platform/ManualClock.h"
#include "platform/qt/QtPreferences.h"
#include "rating/RatingPrompt.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: rating_record_writer PATH EPOCH\n");
    return 2;
  }
  storm::Platform platform;
  platform.clock = std::make_shared<storm::ManualClock>(std::strtod(argv[2], nullptr));
  platform.bundle = std::make_shared<storm::fakes::FakeBundle>();
  auto store = std::make_shared<storm::qt::QtPreferences>(argv[1], storm::RatingPrompt::preferenceKeys(), platform.clock);
  platform.preferences = store;
  if (!store->containsKey("padding")) store->setObject(std::string(256 * 1024, 'x'), "padding");
  auto prompt = std::make_shared<storm::RatingPrompt>(platform);
  for (;;) {
    prompt->incrementUseCount();
    std::printf("%ld\n", store->integerForKey(storm::kRatingPromptUseCount));
    std::fflush(stdout);
  }
}
