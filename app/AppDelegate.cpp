#include "app/AppDelegate.h"

#include "storm/StormAutomation.h"

#include "kit/Nil.h"
#include "rating/RatingPrompt.h"
#include "screens/FlipsideViewController.h"
#include "screens/HistoryViewController.h"
#include "screens/MainViewController.h"
#include "storm/SpeedOfSound.h"

namespace storm {

AppDelegate::AppDelegate(Platform& platform)
    : platform_(platform),
      stormWatch_(std::make_shared<StormWatch>(platform.strikes, platform.clock, platform.timers, platform.notifier,
                                               platform.bundle)) {
  stopwatch_->timingChanged = [](bool timing) { RatingPrompt::holdRatingAlert(timing); };
}

bool AppDelegate::applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>& options) {
  // A platform without a preference store (or a queue) leaves the prompt without effect.
  send(platform_.preferences, &Preferences::declareKeys, RatingPrompt::preferenceKeys());
  send(platform_.settings, &Preferences::declareKeys, speedOfSoundSettingKeys());
  send(platform_.settings, &Preferences::declareKeys, PositionMemory::settingKeys());
  positionMemory_ = std::make_shared<PositionMemory>(platform_.settings, platform_.position);
  positionMemory_->start();
  stormWatch_->start();
  if (platform_.automation) registerStormAutomation(*platform_.automation, platform_, stormWatch_);
  const auto probe = options.find(kLaunchOptionProbeURL);
  const auto prompt = options.find(kLaunchOptionRatingPrompt);
  if (prompt == options.end() || prompt->second != "off")
    RatingPrompt::setSharedPlatform(&platform_, probe != options.end() ? probe->second : kRatingPromptProbeURL);
  RatingPrompt::appLaunched(true);
  return true;
}

void AppDelegate::applicationWillResignActive() {}

void AppDelegate::applicationDidEnterBackground() {}

void AppDelegate::applicationWillEnterForeground() { RatingPrompt::appEnteredForeground(true); }

void AppDelegate::applicationDidBecomeActive() {}

// Once terminated the application hears no more lifecycle events, so the prompt gets no new work;
// the platform waits for what is still queued before its services go.
void AppDelegate::applicationWillTerminate() {}

std::shared_ptr<ViewController> AppDelegate::makeViewController(const std::string& className) {
  if (className == "MainViewController")
    return std::make_shared<MainViewController>(platform_, stopwatch_, stormWatch_);
  if (className == "FlipsideViewController") return std::make_shared<FlipsideViewController>(platform_);
  if (className == "HistoryViewController") return std::make_shared<HistoryViewController>(platform_);
  return nullptr;
}

ApplicationDefinition stormDistanceApplication() {
  ApplicationDefinition app;
  app.makeDelegate = [](Platform& platform) { return std::make_unique<AppDelegate>(platform); };
  app.mainLayout = "Main";
  return app;
}

}  // namespace storm
