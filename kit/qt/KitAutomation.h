#pragma once

#include <QWidget>
#include <memory>

#include "automation/qt/AutomationDriver.h"
#include "kit/Lifecycle.h"
#include "system/Preferences.h"

// The screens and the services behind the rating dialog in automation mode.

namespace storm::qt {

class QtBannerService;
class ScreenStack;
class ScriptableReachability;

struct ScreenAutomation {
  QWidget* window = nullptr;
  ScreenStack* screens = nullptr;
  LifecycleTracker* lifecycle = nullptr;
  std::shared_ptr<QtBannerService> banners;
};

// `screen` (first of the members), `tap` on the top screen's controls, `segment`, `lifecycle`,
// `banner`, `rotate`, `resize` and the members `focus`, `fit`, `window` and `banner`; `settle`
// waits for a screen that slides.
void registerScreenAutomation(AutomationDriver& driver, const ScreenAutomation& screens);

struct ServiceAutomation {
  std::shared_ptr<ScriptableReachability> reachability;
  std::shared_ptr<Preferences> preferences;  // the rating record
};

// `tap alert N` and the member `alert` (the window's newest dialog), `reachability`, `defaults`.
void registerServiceAutomation(AutomationDriver& driver, const ServiceAutomation& services);

}  // namespace storm::qt
