#pragma once

#include <QWidget>
#include <map>
#include <memory>
#include <string>

#include "system/ManualClock.h"
#include "app/Platform.h"
#include "system/qt/Options.h"

// Every service of the platform, built in one place for the running application, with the Qt
// side's own handles on those the application loop and the automation mode drive.

namespace storm::qt {

class QtAlertViewFactory;
class QtBannerService;
class QtDispatcher;
class QtFileChooser;
class QtURLOpener;
class QtUserPosition;
class RecordingLogger;
class SqliteStrikeStore;
class ScriptableReachability;
class WorkerPool;

struct QtPlatform {
  Platform platform;
  std::shared_ptr<ManualClock> manualClock;  // with --manual-clock
  std::shared_ptr<RecordingLogger> logger;
  std::shared_ptr<QtURLOpener> urlOpener;
  std::shared_ptr<QtBannerService> banners;
  std::shared_ptr<QtAlertViewFactory> alerts;
  // The process's one worker pool: the low-priority queue and the maps' tile loaders share it.
  std::shared_ptr<WorkerPool> workers;
  std::shared_ptr<QtDispatcher> dispatch;
  std::shared_ptr<SqliteStrikeStore> strikes;
  // Follows the main screen's map once it is made.
  std::shared_ptr<QtUserPosition> position;
  std::shared_ptr<QtFileChooser> files;
  std::shared_ptr<ScriptableReachability> scriptedReachability;  // in automation mode
};

// Builds the services for `options`; dialogs and banners go into `window`.
std::unique_ptr<QtPlatform> buildPlatform(const Options& options, QWidget* window);

// Where the user's preferences live: $XDG_CONFIG_HOME/storm-distance/storm-distance.ini.
QString preferencesFilePath();

// The application's own settings: $XDG_CONFIG_HOME/storm-distance/settings.ini.
QString settingsFilePath();

// The strike log: $XDG_DATA_HOME/storm-distance/strikes.sqlite.
QString strikeLogPath();

// The launch options for the application's delegate: the probe's URL from
// STORM_DISTANCE_PROBE_URL, and the rating prompt switched off by STORM_DISTANCE_NO_RATING_PROMPT
// (a baseline for measurements).
std::map<std::string, std::string> launchOptions();

}  // namespace storm::qt
