#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/Json.h"

// The application object and its delegate, and what an application hands the platform's loop.

namespace storm {

struct Platform;
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

// Hands URLs to the system (the browser, the store). The result is whether the system took it.
class URLOpener {
 public:
  virtual ~URLOpener() = default;
  virtual bool openURL(const std::string& url) = 0;
};

// Everything the platform's loop needs to run an application.
struct ApplicationDefinition {
  std::function<std::unique_ptr<ApplicationDelegate>(Platform&)> makeDelegate;
  // Controllers by the class name a layout gives its root.
  std::map<std::string, std::function<std::shared_ptr<ViewController>(Platform&)>> controllers;
  // The layout shown at start.
  std::string mainLayout = "Main";
  // Extra members of the automation `state` answer, computed on demand.
  std::vector<std::pair<std::string, std::function<Json()>>> automationState;
};

}  // namespace storm
