#pragma once

#include <QWidget>
#include <memory>

#include "automation/qt/AutomationDriver.h"

// The screens in automation mode: `tap` on the top screen's controls, `segment`, `banner`, `tap
// banner`, `rotate`, `resize`; the members `screen` (first of all), `focus`, `fit`, `window`,
// `banner` and the main screen's `time`, `dist`, `button`, `phase`, `segment`, `map`, `view` and
// `content`; `settle` waits for a screen that slides.

namespace storm::qt {

class QtBannerService;
class Screens;

struct ScreenAutomation {
  QWidget* window = nullptr;
  Screens* screens = nullptr;
  std::shared_ptr<QtBannerService> banners;
};

void registerScreenAutomation(AutomationDriver& driver, const ScreenAutomation& screens);

}  // namespace storm::qt
