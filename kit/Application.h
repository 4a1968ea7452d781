#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

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

  // The controller of a screen whose layout names `className`; nothing for a class it does not know.
  virtual std::shared_ptr<ViewController> makeViewController(const std::string& className) {
    (void)className;
    return nullptr;
  }
};

// Keys of the launch options the platform hands the delegate.
inline constexpr char kLaunchOptionProbeURL[] = "probeURL";          // the page the network probe fetches
inline constexpr char kLaunchOptionRatingPrompt[] = "ratingPrompt";  // "off": no rating prompt

// Hands URLs to the system (the browser, the store). The result is whether the system took it.
class URLOpener {
 public:
  virtual ~URLOpener() = default;
  virtual bool openURL(const std::string& url) = 0;
};

// Everything the platform's loop needs to run an application.
struct ApplicationDefinition {
  std::function<std::unique_ptr<ApplicationDelegate>(Platform&)> makeDelegate;
  // The layout shown at start.
  std::string mainLayout = "Main";
};

}  // namespace storm
