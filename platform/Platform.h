#pragma once

#include <memory>
#include <string>

#include "platform/AdBanner.h"
#include "platform/Application.h"
#include "platform/Clock.h"
#include "platform/DateFormatter.h"
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
};

}  // namespace storm
