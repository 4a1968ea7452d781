#pragma once

#include <QPointer>
#include <QWidget>
#include <memory>
#include <string>

#include "app/qt/Services.h"

// The one place that wires the features together over the shared services: the stopwatch, the
// screens' controllers, the storm (its watch over the strike log, its picture on the map), the
// position kept between runs and the rating prompt; and, in automation mode, what each of them
// adds to the automation.

namespace storm {
class MainViewController;
struct Measurement;
class NightLook;
class PositionMemory;
class StormPicture;
class StormWatch;
class Stopwatch;
}  // namespace storm

namespace storm::qt {

class AutomationDriver;
class InfoScreen;
class MapWidget;
class Screens;
class StormLayer;

class Features {
 public:
  // `automation` is the driver in automation mode, else null.
  Features(Services& services, const Options& options, AutomationDriver* automation);
  ~Features();
  Features(const Features&) = delete;
  Features& operator=(const Features&) = delete;

  // The main screen's controller, on the application's stopwatch.
  std::shared_ptr<MainViewController> makeMainController();
  // The information screen in `window`, with the storm feature's air temperature field.
  InfoScreen* makeInfoScreen(QWidget* window);
  // The main screen is on show in `screens`: its map follows the user's position and carries the
  // storm's layer, held (see StormLayer::hold) while `holdStorm`, and its History button opens the
  // strike history.
  void mainScreenShown(Screens* screens, bool holdStorm);
  // Connects the main screen's map to its tiles and its position source.
  void connectMap();
  // Shows the storm on the map if it was held.
  void releaseStorm();
  // Before the application's delegate hears of the launch: the settings' keys, the position kept
  // from the last run, the storm read back from the log, and the rating prompt's services.
  void launch();
  // The automation of the storm, the map, the strike log and the history screen.
  void registerAutomation();

 private:
  // Holds the rating dialog and the banner's rotation while a measurement runs or the call to
  // shelter is up.
  void holdCommerce();
  // Screen readers hear the distance once, the moment it shows; the time is quiet while it runs.
  void announceDistance(const Measurement& measurement);
  void quietTime(bool timing);
  // The strike history over the main screen.
  void showHistory();
  // What the main screen's map carries: the storm's layer and picture, its keys, the night look.
  void addStorm(MapWidget* map, bool holdStorm);
  void addMapKeys(MapWidget* map);
  void addNightLook(MapWidget* map);

  Services& services_;
  const Options options_;
  AutomationDriver* automation_;
  std::shared_ptr<Stopwatch> stopwatch_;
  std::shared_ptr<StormWatch> stormWatch_;
  std::shared_ptr<PositionMemory> positionMemory_;
  std::shared_ptr<NightLook> nightLook_;
  std::shared_ptr<StormLayer> stormLayer_;
  std::shared_ptr<StormPicture> stormPicture_;
  QPointer<QWidget> mainRoot_;
  Screens* screens_ = nullptr;
  bool commerceHeld_ = false;
};

}  // namespace storm::qt
