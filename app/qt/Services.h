#pragma once

#include <QString>
#include <QWidget>
#include <memory>

#include "rating/Reachability.h"
#include "system/DateFormatter.h"
#include "system/ManualClock.h"
#include "system/qt/Options.h"

// The services the features share, built once in one place for the running application: the
// clocks, the queues, the log, the preferences, the strike log and the rest. Each feature is
// handed the few of them it uses.

namespace storm::qt {

class AppInfo;
class DBusNotifier;
class KernelReachability;
class QtAlertViewFactory;
class QtAnimator;
class QtBannerService;
class QtLocale;
class QtDispatcher;
class QtFileChooser;
class QtPreferences;
class QtURLConnectionFactory;
class QtURLOpener;
class QtUserPosition;
class RecordingLogger;
class ScriptableReachability;
class SqliteStrikeStore;
class WorkerPool;

struct Services {
  // Declared first, so that it goes last: the services below queue work on it.
  std::shared_ptr<WorkerPool> workers;  // the process's one pool: the low-priority queue, tiles, the log
  std::shared_ptr<QtDispatcher> dispatch;
  std::shared_ptr<ManualClock> manualClock;  // with --manual-clock
  std::shared_ptr<Clock> clock;
  std::shared_ptr<TimerScheduler> timers;
  std::shared_ptr<RecordingLogger> logger;
  std::shared_ptr<QtURLOpener> urlOpener;
  std::shared_ptr<DateFormatterFactory> dateFormatters;
  std::shared_ptr<QtAnimator> animator;
  std::shared_ptr<QtLocale> locale;
  std::shared_ptr<AppInfo> info;
  std::shared_ptr<QtPreferences> preferences;  // the rating prompt's record
  std::shared_ptr<QtPreferences> settings;     // the application's own settings
  std::shared_ptr<Reachability> reachability;
  std::shared_ptr<ScriptableReachability> scriptedReachability;  // in automation mode
  std::shared_ptr<QtURLConnectionFactory> urlConnections;
  std::shared_ptr<QtAlertViewFactory> alerts;
  std::shared_ptr<QtBannerService> banners;
  std::shared_ptr<DBusNotifier> notifier;
  std::shared_ptr<SqliteStrikeStore> strikes;
  // Follows the main screen's map once it is made.
  std::shared_ptr<QtUserPosition> position;
  std::shared_ptr<QtFileChooser> files;
};

// Builds the services for `options`; dialogs and banners go into `window`.
std::unique_ptr<Services> buildServices(const Options& options, QWidget* window);

// Where the user's preferences live: $XDG_CONFIG_HOME/storm-distance/storm-distance.ini.
QString preferencesFilePath();

// The application's own settings: $XDG_CONFIG_HOME/storm-distance/settings.ini.
QString settingsFilePath();

// The strike log: $XDG_DATA_HOME/storm-distance/strikes.sqlite.
QString strikeLogPath();

}  // namespace storm::qt
