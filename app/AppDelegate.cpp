#include "app/AppDelegate.h"

#include "measure/MeasurementState.h"
#include "rating/RatingPrompt.h"
#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"

namespace storm {

AppDelegate::AppDelegate(Platform& platform) : platform_(platform) {}

bool AppDelegate::applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>&) {
  RatingPrompt::appLaunched(true);
  return true;
}

void AppDelegate::applicationWillResignActive() {}

void AppDelegate::applicationDidEnterBackground() {}

void AppDelegate::applicationWillEnterForeground() { RatingPrompt::appEnteredForeground(true); }

void AppDelegate::applicationDidBecomeActive() {}

void AppDelegate::applicationWillTerminate() {}

ApplicationDefinition stormDistanceApplication() {
  ApplicationDefinition app;
  app.makeDelegate = [](Platform& platform) { return std::make_unique<AppDelegate>(platform); };
  app.controllers["MainViewController"] = [](Platform& platform) {
    return std::make_shared<MainViewController>(platform);
  };
  app.controllers["FlipsideViewController"] = [](Platform& platform) {
    return std::make_shared<FlipsideViewController>(platform);
  };
  app.mainLayout = "Main";
  app.automationState.emplace_back("phase", [] { return Json(measurementState().measurementPhase); });
  return app;
}

}  // namespace storm
