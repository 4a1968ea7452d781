#pragma once

#include "automation/Automation.h"
#include "app/Platform.h"
#include "storm/StormWatch.h"

// What the automation mode reads and sets of the storm: the `storm` member of `state` (trend,
// shelter, countdown, from the log's strikes on the platform's clock; `notified`, the all-clear
// notifications sent so far, each as its summary, ". " and its body) and the `temperature`
// command.

namespace storm {

void registerStormAutomation(AutomationRegistry& automation, Platform& platform,
                             std::shared_ptr<const StormWatch> watch = nullptr);

}  // namespace storm
