#pragma once

#include <map>
#include <string>

#include "kit/Application.h"

// The application's delegate: the platform reports the launch and each lifecycle change here, and
// it hands the launch and each return to the foreground to the rating prompt.

namespace storm {

class AppDelegate : public ApplicationDelegate {
 public:
  bool applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>& options) override;
  void applicationWillResignActive() override {}
  void applicationDidEnterBackground() override {}
  void applicationWillEnterForeground() override;
  void applicationDidBecomeActive() override {}
  // Once terminated the application hears no more lifecycle events, so the prompt gets no new
  // work; the platform waits for what is still queued before its services go.
  void applicationWillTerminate() override {}
};

}  // namespace storm
