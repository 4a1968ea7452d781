#pragma once

#include <map>
#include <string>

// The application's delegate: it is told of the launch and of each lifecycle change, and hands the
// launch and each return to the foreground to the rating prompt. The other changes do nothing
// here (the rating prompt hears of the application becoming inactive itself).

namespace storm {

class AppDelegate {
 public:
  bool applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>& options);
  void applicationWillResignActive() {}
  void applicationDidEnterBackground() {}
  void applicationWillEnterForeground();
  void applicationDidBecomeActive() {}
  void applicationWillTerminate() {}
};

}  // namespace storm
