#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/Application.h"
#include "platform/Platform.h"

// The application's delegate: the platform reports the launch and each lifecycle change here.

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

 private:
  Platform& platform_;
};

// The whole application as the platform's loop runs it: delegate, screens, automation state.
ApplicationDefinition stormDistanceApplication();

}  // namespace storm
