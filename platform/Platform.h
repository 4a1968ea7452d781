#pragma once

#include <memory>
#include <string>

#include "platform/AdBanner.h"
#include "platform/AlertView.h"
#include "platform/Application.h"
#include "platform/Automation.h"
#include "platform/Bundle.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
#include "platform/DesktopNotifier.h"
#include "platform/Dispatch.h"
#include "platform/FileChooser.h"
#include "platform/NotificationCenter.h"
#include "platform/Preferences.h"
#include "platform/Reachability.h"
#include "platform/StrikeStore.h"
#include "platform/URLConnection.h"
#include "platform/UserPosition.h"
#include "platform/View.h"

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
