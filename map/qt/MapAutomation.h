#pragma once

#include "automation/qt/AutomationDriver.h"

// The map in automation mode: `location`, `pin` and `camera`, and the member `mapView` (what the
// widget draws: its zoom, glide, accuracy, notices and tiles).

namespace storm::qt {

class MapWidget;

void registerMapAutomation(AutomationDriver& driver, MapWidget* map);

}  // namespace storm::qt
