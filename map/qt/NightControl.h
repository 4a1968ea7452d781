#pragma once

#include <memory>

#include "automation/qt/AutomationDriver.h"
#include "map/NightLook.h"

// The map's control for its night look: a moon that opens a menu of the three choices
// (automatic, always, never), the one in force checked.

namespace storm::qt {

class MapWidget;

// Adds the control to `map`'s column of controls; it keeps `look` alive.
void addNightControl(MapWidget* map, std::shared_ptr<NightLook> look);

// `night on|off|auto` (the choice, as the control's menu makes it) and the member `night`
// (whether the night look is on show now).
void registerNightAutomation(AutomationDriver& driver, std::shared_ptr<NightLook> look);

}  // namespace storm::qt
