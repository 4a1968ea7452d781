#include "app/AppDelegate.h"

#include "rating/RatingPrompt.h"

namespace storm {

bool AppDelegate::applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>&) {
  RatingPrompt::appLaunched(true);
  return true;
}

void AppDelegate::applicationWillEnterForeground() { RatingPrompt::appEnteredForeground(true); }

}  // namespace storm
