#pragma once

#include <map>
#include <memory>
#include <string>

#include "map/PositionMemory.h"
#include "measure/Stopwatch.h"
#include "kit/Application.h"
#include "app/Platform.h"
#include "storm/StormWatch.h"

// The application's delegate: the platform reports the launch and each lifecycle change here. It
// owns the one stopwatch and the one watch over the storm, makes the screens' controllers with the services each needs,
// and hands the rating prompt its platform at launch.

namespace storm {

class AppDelegate : public ApplicationDelegate {
 public:
  explicit AppDelegate(Platform& platform);

  bool applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>& options) override;
  void applicationWillResignActive() override;
  void applicationDidEnterBackground() override;
  void applicationWillEnterForeground() override;
  void applicationDidBecomeActive() override;
  void applicationWillTerminate() override;
  std::shared_ptr<ViewController> makeViewController(const std::string& className) override;

  const std::shared_ptr<Stopwatch>& stopwatch() const { return stopwatch_; }
  const std::shared_ptr<StormWatch>& stormWatch() const { return stormWatch_; }

 private:
  Platform& platform_;
  const std::shared_ptr<Stopwatch> stopwatch_ = std::make_shared<Stopwatch>();
  const std::shared_ptr<StormWatch> stormWatch_;
  std::shared_ptr<PositionMemory> positionMemory_;
};

// The whole application as the platform's loop runs it.
ApplicationDefinition stormDistanceApplication();

}  // namespace storm
