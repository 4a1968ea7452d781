#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

// The application's delegate, which the platform tells of the launch and of each lifecycle change,
// and the way the screens' layouts get their controllers.

namespace storm {

class ViewController;

class ApplicationDelegate {
 public:
  virtual ~ApplicationDelegate() = default;
  virtual bool applicationDidFinishLaunchingWithOptions(const std::map<std::string, std::string>& options) = 0;
  virtual void applicationWillResignActive() = 0;
  virtual void applicationDidEnterBackground() = 0;
  virtual void applicationWillEnterForeground() = 0;
  virtual void applicationDidBecomeActive() = 0;
  virtual void applicationWillTerminate() = 0;
};

// The controller of a screen whose layout names `className`; nothing for a class it does not know.
using ViewControllerFactory = std::function<std::shared_ptr<ViewController>(const std::string& className)>;

}  // namespace storm
