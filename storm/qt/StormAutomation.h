#pragma once

#include <memory>

#include "automation/Automation.h"
#include "map/UserPosition.h"
#include "storm/StormWatch.h"
#include "system/Clock.h"
#include "system/Preferences.h"

// What the automation mode reads and sets of the storm: the `storm` member of `state` (trend,
// shelter, countdown, from the log's strikes on the platform's clock; `notified`, the all-clear
// notifications sent so far, each as its summary, ". " and its body) and the `temperature`
// command.

namespace storm {

// What the members read and the command sets; any may be missing.
struct StormAutomation {
  std::shared_ptr<StormWatch> watch;
  std::shared_ptr<Clock> clock;
  std::shared_ptr<UserPosition> position;
  std::shared_ptr<Preferences> settings;  // the air temperature
};

void registerStormAutomation(AutomationRegistry& automation, StormAutomation storm);

}  // namespace storm
