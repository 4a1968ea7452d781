#pragma once

#include <QString>

// Wiring of the rating prompt into the Qt application: its services, the resign-active
// notification, the shared instance's platform, and its automation commands.

namespace storm::qt {

struct AppContext;
class AutomationDriver;

// Where the user's preferences live: $XDG_CONFIG_HOME/storm-distance/storm-distance.ini.
QString preferencesFilePath();

// Fills the rating prompt's services into ctx.platform, posts the resign-active notification
// whenever the application is about to become inactive, and gives the shared prompt its
// platform. Call after ctx.window and ctx.lifecycle exist and before the launch is reported.
// With STORM_DISTANCE_NO_RATING_PROMPT set, the prompt stays switched off (a baseline for
// measurements); STORM_DISTANCE_PROBE_URL replaces the probe's URL.
void installRatingPrompt(AppContext& ctx);

// `tap alert N`, `reachability FLAGS|fail|system`, `defaults`, `alert` in `state`, and `settle`
// waiting for the low-priority queue.
void registerRatingAutomation(AutomationDriver& driver, AppContext& ctx);

}  // namespace storm::qt
