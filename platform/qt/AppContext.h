#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Application.h"
#include "platform/Coordinates.h"
#include "platform/Lifecycle.h"
#include "platform/ManualClock.h"
#include "platform/Platform.h"
#include "platform/qt/LayoutLoader.h"
#include "platform/qt/WorkerPool.h"

// What the Qt platform keeps for the running application: its options, services, screens and
// window. One per process, made by applicationMain.

namespace storm::qt {

struct Options {
  bool automation = false;
  std::optional<double> manualClock;  // --manual-clock EPOCH
  QString infoFile;                   // --info FILE
  QString mapSources;                 // --map-sources FILE
  QString nmeaFile;                   // --nmea FILE
  QString houseAds;                   // --house-ads FILE
  std::optional<CLLocationCoordinate2D> location;  // --location LAT,LON
};

// Lines for stderr, also kept for the automation `state`. Any thread.
class RecordingLogger : public Logger {
 public:
  void log(const std::string& line) override;
  std::vector<std::string> lines() const;

 private:
  mutable std::mutex mutex_;  // guards lines_
  std::vector<std::string> lines_;
};

// Hands URLs to the desktop, or in automation mode only records them. Main thread.
class QtURLOpener : public URLOpener {
 public:
  explicit QtURLOpener(bool recordOnly) : recordOnly_(recordOnly) {}
  bool openURL(const std::string& url) override;
  const std::vector<std::string>& openedURLs() const { return opened_; }

 private:
  bool recordOnly_;
  std::vector<std::string> opened_;
};

// The screens on show: the main screen and the ones presented modally over it.
class ScreenStack : public PresentationHost, public std::enable_shared_from_this<ScreenStack> {
 public:
  ScreenStack(QWidget* window, LayoutLoader& loader) : window_(window), loader_(loader) {}

  bool showMain(const QString& layout);
  void present(LoadedScreen& source, const std::string& identifier, const QString& destination, View* sender);
  void dismissModalViewController(ViewController& presenter, bool animated) override;
  // Lays every screen out over the whole window.
  void layout();

  // Asks the main screen whether it may turn to `orientation`, as the system does before a turn.
  bool askToRotate(long orientation);

  LoadedScreen* main() const { return screens_.empty() ? nullptr : screens_.front().get(); }
  LoadedScreen* top() const { return screens_.empty() ? nullptr : screens_.back().get(); }
  bool transitioning() const { return transitions_ > 0; }

 private:
  SegueHandler segueHandler();

  QPointer<QWidget> window_;
  LayoutLoader& loader_;
  std::vector<std::unique_ptr<LoadedScreen>> screens_;
  int transitions_ = 0;
};

class QtBannerService;

struct AppContext {
  Options options;
  ApplicationDefinition definition;
  Platform platform;
  std::shared_ptr<ManualClock> manualClock;  // with --manual-clock
  // The process's one worker pool: the low-priority queue and the maps' tile loaders share it.
  std::shared_ptr<WorkerPool> workers = std::make_shared<WorkerPool>();
  std::shared_ptr<RecordingLogger> logger;
  std::shared_ptr<QtURLOpener> urlOpener;
  std::shared_ptr<QtBannerService> banners;
  std::unique_ptr<ApplicationDelegate> delegate;
  std::unique_ptr<LifecycleTracker> lifecycle;
  std::unique_ptr<LayoutLoader> loader;
  std::shared_ptr<ScreenStack> screens;
  QPointer<QWidget> window;
};

}  // namespace storm::qt
