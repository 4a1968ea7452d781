#include "app/qt/Features.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QKeySequence>
#include <QLabel>
#include <QLocale>
#include <QShortcut>
#include <functional>
#include <utility>

#include "app/qt/AppInfo.h"
#include "app/qt/QtLocale.h"
#include "app/qt/Services.h"
#include "automation/qt/AutomationDriver.h"
#include "map/NightLook.h"
#include "map/PositionMemory.h"
#include "map/qt/MapAutomation.h"
#include "map/qt/MapServices.h"
#include "map/qt/MapWidget.h"
#include "map/qt/NightControl.h"
#include "map/qt/QtUserPosition.h"
#include "measure/Stopwatch.h"
#include "rating/RatingPrompt.h"
#include "rating/qt/QtAlertView.h"
#include "rating/qt/QtURLConnection.h"
#include "screens/FlipsideViewController.h"
#include "screens/MainViewController.h"
#include "screens/qt/BannerView.h"
#include "screens/qt/MainScreen.h"
#include "screens/qt/QtViews.h"
#include "screens/qt/Screens.h"
#include "storm/SpeedOfSound.h"
#include "storm/qt/StormAutomation.h"
#include "storm/StormPicture.h"
#include "storm/StormWatch.h"
#include "storm/qt/HistoryWindow.h"
#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StormAutomationQt.h"
#include "storm/qt/StormLayer.h"
#include "storm/qt/TemperatureSetting.h"
#include "system/qt/Accessibility.h"
#include "system/qt/DBusNotifier.h"
#include "system/qt/QtDispatch.h"
#include "system/qt/QtFileChooser.h"
#include "system/qt/QtLogger.h"
#include "system/qt/QtPreferences.h"
#include "system/qt/QtURLOpener.h"
#include "system/qt/ScreenFit.h"
#include "ui_Main.h"

namespace storm::qt {

Features::Features(Services& services, const Options& options, AutomationDriver* automation)
    : services_(services), options_(options), automation_(automation) {
  stopwatch_ = std::make_shared<Stopwatch>(
      services.clock, services.timers, [settings = services.settings] { return speedOfSoundSetting(settings.get()); });
  stormWatch_ = std::make_shared<StormWatch>(StormWatch::Services{
      services.strikes, services.clock, services.timers, services.notifier, services.locale, services.position});
  stopwatch_->addMeasurementObserver([this](const Measurement& measurement) { announceDistance(measurement); });
  stopwatch_->addTimingObserver([this](bool timing) { quietTime(timing); });
  // The storm feature logs each measurement: the stopwatch tells the watch itself.
  stopwatch_->addMeasurementObserver(std::bind_front(&StormWatch::measured, stormWatch_));
  // Nothing commercial on the safety path: while a measurement runs or the call to shelter is up, a
  // rating dialog that falls due waits, and the banner keeps the advertisement it shows.
  stopwatch_->addTimingObserver([this](bool) { holdCommerce(); });
  // The next measurement ends the question for the last flash's direction.
  stopwatch_->addTimingObserver([weak = std::weak_ptr(stormWatch_)](bool timing) {
    if (auto watch = weak.lock()) watch->setTiming(timing);
  });
  stormWatch_->addObserver([this](bool) { holdCommerce(); });
  // The house advertisement of the safety rule opens the information screen, which explains it.
  services.banners->setOwnLinks([this](const QString& name) {
    if (name == "info" && screens_ && !screens_->presented()) screens_->main()->form().info->click();
  });
}

void Features::holdCommerce() {
  const bool held = stopwatch_->measurementPhase == MeasurementPhaseTiming || stormWatch_->shelter().shelter;
  if (held == commerceHeld_) return;
  commerceHeld_ = held;
  RatingPrompt::holdRatingAlert(held);
  services_.banners->holdRotation(held);
}

Features::~Features() = default;

std::shared_ptr<MainViewController> Features::makeMainController() {
  return std::make_shared<MainViewController>(
      stopwatch_, MainViewController::Services{services_.dateFormatters, services_.banners, services_.animator,
                                               services_.urlOpener});
}

InfoScreen* Features::makeInfoScreen(QWidget* window) {
  auto* info = new InfoScreen(std::make_shared<FlipsideViewController>(services_.urlOpener), window);
  if (auto* field = info->findChild<QLineEdit*>("temperature"))
    new TemperatureSetting(field, info->findChild<QLabel*>("temperatureNote"), services_.settings, services_.locale);
  return info;
}

void Features::mainScreenShown(Screens* screens, bool holdStorm) {
  screens_ = screens;
  MainScreen* main = screens->main();
  mainRoot_ = main;
  QObject::connect(main->form().history, &QAbstractButton::clicked, main, [this] { showHistory(); });
  MapWidget* map = main->form().mapView;
  // The position follows the main screen's map from the start, so that it opens where the
  // application asks.
  services_.position->attach(&map->model());
  // Screen readers hear the circle's radius in the distance label's words.
  map->setRadiusWords([](double metres) {
    return QString::fromStdString(distanceText(distanceForKilometres(static_cast<float>(metres / 1000.0))));
  });
  addStorm(map, holdStorm);
  addMapKeys(map);
  addNightLook(map);
}

void Features::showHistory() {
  if (!screens_ || screens_->presented()) return;
  auto* history = new HistoryWindow(
      {stormWatch_, services_.strikes, services_.clock, services_.locale, services_.files}, screens_->main()->window());
  QObject::connect(history, &HistoryWindow::doneRequested, history, [screens = screens_] { screens->dismiss(true); });
  // A direction typed for a strike goes through the watch, so that the storm follows; the list
  // shows the log's answer.
  QObject::connect(history, &HistoryWindow::directionChosen, history,
                   [this, history = QPointer(history)](const Strike& strike, std::optional<double> degrees) {
                     if (!stormWatch_) return;
                     stormWatch_->setBearing(strike, degrees, storm::BearingSource::Typed, [history](bool ok) {
                       if (history) history->directionSet(ok);
                     });
                   });
  applyApplicationFontSizes(history);
  ScreenFit::install(history);
  screens_->present(history, "History", history->firstFocus());
}

void Features::addStorm(MapWidget* map, bool holdStorm) {
  stormLayer_ = std::make_shared<StormLayer>(map, holdStorm);
  stormLayer_->setUndo([weak = std::weak_ptr(stormWatch_)] {
    if (auto watch = weak.lock()) watch->undo();
  });
  stormLayer_->setBearingHandler(
      [weak = std::weak_ptr(stormWatch_)](double time, double degrees, BearingSource source) {
        auto watch = weak.lock();
        if (!watch || !watch->strikes()) return;
        for (const Strike& strike : watch->strikes()->recent(time))
          if (strike.time == time) return watch->setBearing(strike, degrees, source);
      });
  stormLayer_->setKeyScope(mainRoot_);
  stormPicture_ = std::make_shared<StormPicture>(
      stormWatch_, stormLayer_, StormPicture::Services{services_.clock, services_.timers, services_.locale});
}

void Features::addMapKeys(MapWidget* map) {
  // The main screen's keys for its map: Ctrl+L types a position (as the location bar of a browser
  // or a file dialog takes one), Ctrl+0 fits the map to the storm (as image viewers fit the picture
  // to the window).
  const std::pair<QKeySequence, std::function<void()>> keys[] = {
      {QKeySequence(Qt::ControlModifier | Qt::Key_L), [map] { map->askForPosition(); }},
      {QKeySequence(Qt::ControlModifier | Qt::Key_0), [layer = std::weak_ptr(stormLayer_)] {
         if (auto shown = layer.lock()) shown->showStorm();
       }}};
  for (const auto& [key, act] : keys) {
    auto* shortcut = new QShortcut(key, mainRoot_);
    shortcut->setContext(Qt::WidgetWithChildrenShortcut);
    shortcut->setAutoRepeat(false);
    QObject::connect(shortcut, &QShortcut::activated, map, act);
  }
}

void Features::addNightLook(MapWidget* map) {
  // Automation mode keeps the day look until told otherwise, so that a run's pictures do not
  // depend on the hour it runs at.
  const QPointer<MapWidget> weakMap(map);
  nightLook_ = std::make_shared<NightLook>(
      services_.settings, services_.clock, services_.timers,
      [weakMap] { return weakMap ? weakMap->model().userLocation() : std::nullopt; },
      [weakMap](bool night) {
        if (weakMap) weakMap->model().setNight(night);
      },
      automation_ ? NightMode::Never : NightMode::Automatic);
  addNightControl(map, nightLook_);
  QObject::connect(&map->model(), &MapModel::userLocationHeard, map, [look = std::weak_ptr(nightLook_)] {
    if (auto night = look.lock()) night->update();
  });
}

void Features::announceDistance(const Measurement& measurement) {
  if (!mainRoot_) return;
  const QLocale locale;
  const QString words = QCoreApplication::translate("Localizable", "%1 kilometres, %2 miles")
                            .arg(locale.toString(measurement.distance.kilometres, 'f', 2),
                                 locale.toString(measurement.distance.miles, 'f', 2));
  if (Announcer* announcer = Announcer::of(mainRoot_->window(), "distance")) announcer->announce(words);
}

void Features::quietTime(bool timing) {
  // A name of its own stops the label from renaming itself with every tick; without it, it is
  // read as its text again: the time measured.
  if (auto* time = mainRoot_ ? mainRoot_->findChild<QLabel*>("time") : nullptr)
    time->setAccessibleName(timing ? QCoreApplication::translate("Localizable", "Timing") : QString());
}

void Features::connectMap() {
  if (mainRoot_)
    for (auto* map : mainRoot_->findChildren<MapWidget*>())
      connectMapServices(map->model(), options_, services_.logger, services_.workers, services_.clock,
                         services_.timers);
}

void Features::releaseStorm() {
  if (stormLayer_) stormLayer_->hold(false);
}

void Features::launch() {
  services_.preferences->declareKeys(RatingPrompt::preferenceKeys());
  services_.settings->declareKeys(speedOfSoundSettingKeys());
  services_.settings->declareKeys(PositionMemory::settingKeys());
  services_.settings->declareKeys(NightLook::settingKeys());
  if (nightLook_) nightLook_->start();
  positionMemory_ = std::make_shared<PositionMemory>(services_.settings, services_.position, services_.clock);
  positionMemory_->start();
  // What the log has to say about itself goes on the storm's panel.
  if (services_.strikes)
    services_.strikes->onNotice([weak = std::weak_ptr(stormWatch_)](const std::string& notice) {
      if (auto watch = weak.lock()) watch->setLogNotice(notice);
    });
  stormWatch_->start();
  if (stormPicture_) stormPicture_->start();
  // STORM_DISTANCE_NO_RATING_PROMPT switches the prompt off (a baseline for measurements); the
  // probe's URL may be another page (tests point it at loopback).
  if (qEnvironmentVariableIsSet("STORM_DISTANCE_NO_RATING_PROMPT")) return;
  auto rating = std::make_shared<RatingPrompt::Services>();
  rating->preferences = services_.preferences;
  rating->info = [info = services_.info](const std::string& key) { return info->infoString(key); };
  rating->locale = services_.locale;
  rating->clock = services_.clock;
  rating->dispatch = services_.dispatch;
  rating->reachability = services_.reachability;
  rating->urlConnections = services_.urlConnections;
  rating->alertViews = services_.alerts;
  rating->urlOpener = services_.urlOpener;
  rating->logger = services_.logger;
  if (const QString probe = qEnvironmentVariable("STORM_DISTANCE_PROBE_URL"); !probe.isEmpty())
    rating->probeURL = probe.toStdString();
  RatingPrompt::setSharedServices(std::move(rating));
}

void Features::registerAutomation() {
  if (!automation_) return;
  AutomationDriver& driver = *automation_;
  registerStormAutomation(driver, {stormWatch_, services_.clock, services_.position, services_.settings});
  if (mainRoot_)
    if (auto* map = mainRoot_->findChild<MapWidget*>()) registerMapAutomation(driver, map);
  registerStormMapAutomation(driver, stormLayer_);
  registerNightAutomation(driver, nightLook_);
  // The last events sent to assistive technology (none while none listens).
  AccessibilityLog::install();
  driver.addStateMember("a11y", [] {
    Json events = Json::array();
    for (const AccessibilityEvent& e : AccessibilityLog::events())
      events.push(Json::object()
                      .set("type", e.type.toStdString())
                      .set("object", e.object.toStdString())
                      .set("text", e.text.toStdString()));
    return events;
  });
  registerStrikeAutomation(driver, services_.strikes, stormWatch_);
  registerHistoryAutomation(
      driver, [screens = screens_] { return screens ? qobject_cast<HistoryWindow*>(screens->presented()) : nullptr; },
      services_.files);
}

}  // namespace storm::qt
