#include "app/QtPlatform.h"

#include <QStandardPaths>

#include "kit/qt/BannerView.h"
#include "system/qt/DBusNotifier.h"
#include "system/qt/IcuDateFormatter.h"
#include "kit/qt/KernelReachability.h"
#include "kit/qt/QtAlertView.h"
#include "kit/qt/QtBundle.h"
#include "system/qt/QtClock.h"
#include "system/qt/QtDispatch.h"
#include "system/qt/QtFileChooser.h"
#include "system/qt/QtLogger.h"
#include "system/qt/QtPreferences.h"
#include "kit/qt/QtURLConnection.h"
#include "system/qt/QtURLOpener.h"
#include "map/qt/QtUserPosition.h"
#include "kit/qt/QtViews.h"
#include "kit/qt/ScriptableReachability.h"
#include "storm/qt/SqliteStrikeStore.h"
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

std::map<std::string, std::string> launchOptions() {
  std::map<std::string, std::string> options;
  const QString probe = qEnvironmentVariable("STORM_DISTANCE_PROBE_URL");
  if (!probe.isEmpty()) options[kLaunchOptionProbeURL] = probe.toStdString();
  if (qEnvironmentVariableIsSet("STORM_DISTANCE_NO_RATING_PROMPT")) options[kLaunchOptionRatingPrompt] = "off";
  return options;
}

std::unique_ptr<QtPlatform> buildPlatform(const Options& options, QWidget* window) {
  auto qt = std::make_unique<QtPlatform>();
  Platform& p = qt->platform;
  if (options.manualClock) {
    qt->manualClock = std::make_shared<ManualClock>(*options.manualClock);
    p.clock = qt->manualClock;
    p.timers = qt->manualClock;
  } else {
    p.clock = std::make_shared<SystemClock>();
    p.timers = std::make_shared<QtTimerScheduler>();
  }
  p.dateFormatters = std::make_shared<IcuDateFormatterFactory>();
  p.animator = std::make_shared<QtAnimator>();
  qt->urlOpener = std::make_shared<QtURLOpener>(options.automation);
  p.urlOpener = qt->urlOpener;
  qt->logger = std::make_shared<RecordingLogger>();
  p.logger = qt->logger;
  qt->banners = std::make_shared<QtBannerService>(p, options.houseAds);
  qt->banners->setWindow(window);
  p.banners = qt->banners;

  p.bundle = std::make_shared<QtBundle>(options.infoFile);
  p.preferences = std::make_shared<QtPreferences>(preferencesFilePath(), std::vector<PreferenceKey>{}, p.clock);
  p.notificationCenter = std::make_shared<NotificationCenter>();
  auto reachability = std::make_shared<KernelReachability>();
  if (options.automation) {
    qt->scriptedReachability = std::make_shared<ScriptableReachability>(reachability);
    p.reachability = qt->scriptedReachability;
  } else {
    p.reachability = reachability;
  }
  p.urlConnections = std::make_shared<QtURLConnectionFactory>();
  qt->alerts = std::make_shared<QtAlertViewFactory>(window);
  p.alertViews = qt->alerts;
  qt->workers = std::make_shared<WorkerPool>();
  qt->dispatch = std::make_shared<QtDispatcher>(qt->workers);
  p.notifier = std::make_shared<DBusNotifier>(qt->workers);
  p.dispatch = qt->dispatch;
  p.settings = std::make_shared<QtPreferences>(settingsFilePath(), std::vector<PreferenceKey>{}, p.clock);
  // Opened on the workers: a long log costs the first frame nothing.
  qt->strikes = std::make_shared<SqliteStrikeStore>(strikeLogPath(), qt->workers, p.clock);
  p.strikes = qt->strikes;
  qt->position = std::make_shared<QtUserPosition>();
  p.position = qt->position;
  qt->files = std::make_shared<QtFileChooser>(window);
  p.files = qt->files;
  return qt;
}

}  // namespace storm::qt
