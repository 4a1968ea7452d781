#pragma once

#include <memory>
#include <string>

#include "kit/AdBanner.h"
#include "kit/AlertView.h"
#include "kit/Application.h"
#include "automation/Automation.h"
#include "kit/Bundle.h"
#include "system/Clock.h"
#include "system/DateFormatter.h"
#include "system/DesktopNotifier.h"
#include "system/Dispatch.h"
#include "system/FileChooser.h"
#include "kit/NotificationCenter.h"
#include "system/Preferences.h"
#include "kit/Reachability.h"
#include "storm/StrikeStore.h"
#include "kit/URLConnection.h"
#include "map/UserPosition.h"
#include "kit/View.h"

// The platform's services as the application's code sees them. The Qt platform fills this in
// for the running app; tests fill it with fakes.

namespace storm {

class Logger {
 public:
  virtual ~Logger() = default;
  virtual void log(const std::string& line) = 0;
};

struct Platform {
  std::shared_ptr<Clock> clock;
  std::shared_ptr<TimerScheduler> timers;
  std::shared_ptr<DateFormatterFactory> dateFormatters;
  std::shared_ptr<Animator> animator;
  std::shared_ptr<URLOpener> urlOpener;
  std::shared_ptr<Logger> logger;
  std::shared_ptr<ADBannerService> banners;
  std::shared_ptr<Preferences> preferences;
  std::shared_ptr<Bundle> bundle;
  std::shared_ptr<NotificationCenter> notificationCenter;
  std::shared_ptr<Reachability> reachability;
  std::shared_ptr<URLConnectionFactory> urlConnections;
  std::shared_ptr<AlertViewFactory> alertViews;
  // Notifications on the desktop (the all-clear after a storm).
  std::shared_ptr<DesktopNotifier> notifier;
  // The log of measured strikes.
  std::shared_ptr<StrikeStore> strikes;
  // The application's own settings (the air temperature), apart from the rating record.
  std::shared_ptr<Preferences> settings;
  // Where the user is, as the map knows it.
  std::shared_ptr<UserPosition> position;
  // Asks where to save a file.
  std::shared_ptr<FileChooser> files;
  // Only in automation mode.
  std::shared_ptr<AutomationRegistry> automation;
  // Kept last so that it is released first: blocks still running on its workers may use the
  // services above.
  std::shared_ptr<Dispatcher> dispatch;
};

}  // namespace storm
