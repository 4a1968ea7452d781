#include "app/qt/Services.h"

#include <QStandardPaths>

#include "app/qt/AppInfo.h"
#include "app/qt/QtLocale.h"
#include "map/qt/QtUserPosition.h"
#include "rating/qt/KernelReachability.h"
#include "rating/qt/QtAlertView.h"
#include "rating/qt/QtURLConnection.h"
#include "rating/qt/ScriptableReachability.h"
#include "screens/qt/BannerView.h"
#include "screens/qt/QtViews.h"
#include "storm/qt/SqliteStrikeStore.h"
#include "system/FixedDateFormatter.h"
#include "system/qt/DBusNotifier.h"
#include "system/qt/QtClock.h"
#include "system/qt/QtDispatch.h"
#include "system/qt/QtFileChooser.h"
#include "system/qt/QtLogger.h"
#include "system/qt/QtPreferences.h"
#include "system/qt/QtURLOpener.h"
#include "system/qt/WorkerPool.h"

namespace storm::qt {

QString preferencesFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/storm-distance/storm-distance.ini";
}

QString settingsFilePath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/storm-distance/settings.ini";
}

QString strikeLogPath() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + "/storm-distance/strikes.sqlite";
}

std::unique_ptr<Services> buildServices(const Options& options, QWidget* window) {
  auto s = std::make_unique<Services>();
  s->workers = std::make_shared<WorkerPool>();
  // Outside automation mode the work queued while the application starts (reading the strike log,
  // the rating prompt's bookkeeping) waits for the window's first frame: runApplication releases
  // the workers then.
  if (!options.automation) s->workers->hold();
  s->dispatch = std::make_shared<QtDispatcher>(s->workers);
  if (options.manualClock) {
    s->manualClock = std::make_shared<ManualClock>(*options.manualClock);
    s->clock = s->manualClock;
    s->timers = s->manualClock;
  } else {
    s->clock = std::make_shared<SystemClock>();
    s->timers = std::make_shared<QtTimerScheduler>();
  }
  s->logger = std::make_shared<RecordingLogger>();
  s->urlOpener = std::make_shared<QtURLOpener>(options.automation);
  s->dateFormatters = std::make_shared<FixedDateFormatterFactory>();
  s->animator = std::make_shared<QtAnimator>();
  s->locale = std::make_shared<QtLocale>();
  s->info = std::make_shared<AppInfo>(options.infoFile);
  s->preferences = std::make_shared<QtPreferences>(preferencesFilePath(), std::vector<PreferenceKey>{}, s->clock);
  s->settings = std::make_shared<QtPreferences>(settingsFilePath(), std::vector<PreferenceKey>{}, s->clock);
  auto reachability = std::make_shared<KernelReachability>();
  if (options.automation) {
    s->scriptedReachability = std::make_shared<ScriptableReachability>(reachability);
    s->reachability = s->scriptedReachability;
  } else {
    s->reachability = reachability;
  }
  s->urlConnections = std::make_shared<QtURLConnectionFactory>();
  s->alerts = std::make_shared<QtAlertViewFactory>(window);
  s->banners = std::make_shared<QtBannerService>(s->timers, s->urlOpener, s->logger, options.houseAds);
  s->banners->setWindow(window);
  s->notifier = std::make_shared<DBusNotifier>();
  // Opened on the workers, after the first frame: a long log costs the first frame nothing.
  s->strikes = std::make_shared<SqliteStrikeStore>(strikeLogPath(), s->workers, s->clock, s->timers);
  s->position = std::make_shared<QtUserPosition>();
  s->files = std::make_shared<QtFileChooser>(window);
  return s;
}

}  // namespace storm::qt
