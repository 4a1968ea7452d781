#pragma once

#include <memory>

#include "automation/qt/AutomationDriver.h"
#include "system/Preferences.h"

// The rating prompt in automation mode: `tap alert N` and the member `alert` (the window's newest
// dialog), `reachability` (what the network's flags read) and `defaults` (the usage record).

namespace storm::qt {

class ScriptableReachability;

struct RatingAutomation {
  std::shared_ptr<ScriptableReachability> reachability;
  std::shared_ptr<Preferences> preferences;  // the rating record
};

void registerRatingAutomation(AutomationDriver& driver, const RatingAutomation& rating);

}  // namespace storm::qt
