// Uses the rating record at PATH as a copy of the application does, for tests that need another
// process. The clock stands still at EPOCH and the version is "1.0".
//
//   rating_record_writer PATH EPOCH            counts uses without end, printing the count after
//                                              each save, so that a test can kill it in the middle
//                                              of one (a large padding value makes saves long)
//   rating_record_writer PATH EPOCH count N    counts N uses, then exits
//   rating_record_writer PATH EPOCH decline    answers "No, Thanks" to the rating dialog, then exits

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "rating/RatingPrompt.h"
#include "support/FakeRating.h"
#include "system/ManualClock.h"
#include "system/qt/QtPreferences.h"

int main(int argc, char** argv) {
  const bool counting = argc == 5 && std::strcmp(argv[3], "count") == 0;
  const bool declining = argc == 4 && std::strcmp(argv[3], "decline") == 0;
  if (argc != 3 && !counting && !declining) {
    std::fprintf(stderr, "usage: rating_record_writer PATH EPOCH [count N | decline]\n");
    return 2;
  }
  auto services = std::make_shared<storm::RatingPrompt::Services>();
  services->clock = std::make_shared<storm::ManualClock>(std::strtod(argv[2], nullptr));
  auto bundle = std::make_shared<storm::fakes::FakeBundle>();
  services->info = [bundle](const std::string& key) { return bundle->infoString(key); };
  services->locale = bundle;
  auto store =
      std::make_shared<storm::qt::QtPreferences>(argv[1], storm::RatingPrompt::preferenceKeys(), services->clock);
  services->preferences = store;
  auto prompt = std::make_shared<storm::RatingPrompt>(services);
  if (counting) {
    for (long n = std::strtol(argv[4], nullptr, 10); n > 0; --n) prompt->incrementUseCount();
    return 0;
  }
  if (declining) {
    storm::fakes::FakeAlertView alert;
    prompt->alertViewClickedButtonAtIndex(alert, 0);
    return 0;
  }
  if (!store->containsKey("padding")) store->setObject(std::string(256 * 1024, 'x'), "padding");
  for (;;) {
    prompt->incrementUseCount();
    std::printf("%ld\n", store->integerForKey(storm::kRatingPromptUseCount));
    std::fflush(stdout);
  }
}
