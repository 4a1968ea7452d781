#pragma once

#include "platform/Automation.h"
#include "platform/Platform.h"

// What the automation mode reads and sets of the storm: the `storm` member of `state` (trend,
// shelter, countdown, from the log's strikes on the platform's clock) and the `temperature`
// command.

namespace storm {

void registerStormAutomation(AutomationRegistry& automation, Platform& platform);

}  // namespace storm
