#include "platform/qt/QtApplication.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QDesktopServices>
#include <QGuiApplication>
#include <QIcon>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QTimer>
#include <QUrl>
#include <QWindow>
#include <cstdio>
#include <fontconfig/fontconfig.h>
#include <thread>

#include "platform/qt/AppContext.h"
#include "platform/qt/AutomationDriver.h"
#include "platform/qt/BannerView.h"
#include "platform/qt/IcuDateFormatter.h"
#include "platform/qt/QtBundle.h"
#include "platform/qt/MapServices.h"
#include "platform/qt/MapWidget.h"
#include "platform/qt/QtClock.h"
#include "platform/qt/QtViews.h"
#include "platform/qt/RatingAutomation.h"

namespace storm::qt {

void RecordingLogger::log(const std::string& line) {
  std::fprintf(stderr, "%s\n", line.c_str());
  std::lock_guard lock(mutex_);
  lines_.push_back(line);
}

std::vector<std::string> RecordingLogger::lines() const {
  std::lock_guard lock(mutex_);
  return lines_;
}

bool QtURLOpener::openURL(const std::string& url) {
  opened_.push_back(url);
  if (recordOnly_) return true;
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

namespace {

constexpr int kPresentMilliseconds = 300;

// The window: the screens fill it.
class AppWindow : public QWidget {
 public:
  std::function<void()> onResize;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QWidget::resizeEvent(event);
    if (onResize) onResize();
  }
};

void slide(QWidget* widget, QPoint from, QPoint to, std::function<void()> done) {
  auto* animation = new QPropertyAnimation(widget, "pos", widget);
  animation->setDuration(kPresentMilliseconds);
  animation->setStartValue(from);
  animation->setEndValue(to);
  animation->setEasingCurve(QEasingCurve::OutCubic);
  QObject::connect(animation, &QPropertyAnimation::finished, widget, std::move(done));
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace

SegueHandler ScreenStack::segueHandler() {
  return [weak = weak_from_this()](LoadedScreen& source, const std::string& identifier, const QString& destination,
                                  View* sender) {
    if (auto self = weak.lock()) self->present(source, identifier, destination, sender);
  };
}

bool ScreenStack::showMain(const QString& layout) {
  auto screen = loader_.load(layout, window_, segueHandler());
  if (!screen) return false;
  screen->controller->setPresentationHost(weak_from_this());
  screens_.push_back(std::move(screen));
  this->layout();
  return true;
}

void ScreenStack::present(LoadedScreen& source, const std::string& identifier, const QString& destination,
                          View* sender) {
  if (transitions_ > 0 || top() != &source) return;  // one presentation at a time, from the top screen
  auto screen = loader_.load(destination, window_, segueHandler());
  if (!screen) return;
  screen->controller->setPresentationHost(weak_from_this());
  StoryboardSegue segue{identifier, source.controller, screen->controller};
  source.controller->prepareForSegue(segue, sender);
  QWidget* root = screen->root;
  QWidget* below = source.root;
  screens_.push_back(std::move(screen));
  layout();
  // The screen below takes no input while covered.
  if (below) below->setEnabled(false);
  root->show();
  root->raise();
  root->setFocus();
  // A dialog on show stays in front of the screen that comes up under it.
  for (auto* dialog : window_->findChildren<QWidget*>("alertLayer", Qt::FindDirectChildrenOnly)) dialog->raise();
  ++transitions_;
  slide(root, QPoint(0, window_->height()), QPoint(0, 0), [this, guard = weak_from_this()] {
    if (guard.lock()) --transitions_;
  });
}

void ScreenStack::dismissModalViewController(ViewController& presenter, bool animated) {
  // Closes the screen presented by `presenter`.
  auto it = std::find_if(screens_.begin(), screens_.end(), [&](const auto& s) { return s->controller.get() == &presenter; });
  if (it == screens_.end() || std::next(it) == screens_.end() || transitions_ > 0) return;
  LoadedScreen* presented = std::next(it)->get();
  QWidget* below = (*it)->root;
  auto finish = [this, presented, below, guard = weak_from_this()] {
    if (!guard.lock()) return;
    auto found = std::find_if(screens_.begin(), screens_.end(), [&](const auto& s) { return s.get() == presented; });
    if (found == screens_.end()) return;
    if (QWidget* root = (*found)->root) root->deleteLater();
    screens_.erase(found, screens_.end());
    if (below) {
      below->setEnabled(true);
      below->setFocus();
    }
  };
  if (!animated || !presented->root || !window_->isVisible()) {
    finish();
    return;
  }
  ++transitions_;
  slide(presented->root, QPoint(0, 0), QPoint(0, window_->height()), [this, finish, guard = weak_from_this()] {
    if (!guard.lock()) return;
    --transitions_;
    finish();
  });
}

bool ScreenStack::askToRotate(long orientation) {
  auto* screen = main();
  return screen && screen->controller->shouldAutorotateToInterfaceOrientation(orientation);
}

void ScreenStack::layout() {
  if (!window_) return;
  const Rect full{0, 0, static_cast<float>(window_->width()), static_cast<float>(window_->height())};
  for (auto& screen : screens_) {
    if (screen->rootView && screen->rootView->frame() != full) screen->rootView->setFrame(full);
  }
}

namespace {

bool parseOptions(const QStringList& arguments, Options& options) {
  QCommandLineParser parser;
  parser.setApplicationDescription("How far away is the thunderstorm?");
  parser.addHelpOption();
  parser.addVersionOption();
  parser.addOption({"automation", "Read commands on stdin and answer them on stdout."});
  parser.addOption({"manual-clock", "Start the clocks at EPOCH; they move only when told.", "EPOCH"});
  parser.addOption({"info", "Use FILE as the application's information dictionary.", "FILE"});
  parser.addOption({"map-sources", "Use FILE as the map's tile sources.", "FILE"});
  parser.addOption({"nmea", "Replay the NMEA log FILE as the user's position.", "FILE"});
  parser.addOption({"location", "Put the user at LAT,LON.", "LAT,LON"});
  parser.addOption({"house-ads", "Use FILE as the list of house advertisements.", "FILE"});
  parser.process(arguments);
  options.automation = parser.isSet("automation");
  if (parser.isSet("manual-clock")) {
    bool ok = false;
    const double epoch = parser.value("manual-clock").toDouble(&ok);
    if (!ok) {
      std::fprintf(stderr, "storm-distance: --manual-clock needs seconds since 1970, not '%s'\n",
                   qPrintable(parser.value("manual-clock")));
      return false;
    }
    options.manualClock = epoch;
  }
  options.infoFile = parser.value("info");
  options.mapSources = parser.value("map-sources");
  options.nmeaFile = parser.value("nmea");
  options.houseAds = parser.value("house-ads");
  if (parser.isSet("location")) {
    const QStringList parts = parser.value("location").split(',');
    bool okLat = false, okLon = false;
    const double lat = parts.size() == 2 ? parts[0].trimmed().toDouble(&okLat) : 0;
    const double lon = parts.size() == 2 ? parts[1].trimmed().toDouble(&okLon) : 0;
    if (!okLat || !okLon || std::abs(lat) > 90 || std::abs(lon) > 180) {
      std::fprintf(stderr, "storm-distance: --location needs LAT,LON in degrees, not '%s'\n",
                   qPrintable(parser.value("location")));
      return false;
    }
    options.location = CLLocationCoordinate2D{lat, lon};
  }
  return true;
}

void buildServices(AppContext& ctx) {
  Platform& p = ctx.platform;
  if (ctx.options.manualClock) {
    ctx.manualClock = std::make_shared<ManualClock>(*ctx.options.manualClock);
    p.clock = ctx.manualClock;
    p.timers = ctx.manualClock;
  } else {
    p.clock = std::make_shared<SystemClock>();
    p.timers = std::make_shared<QtTimerScheduler>();
  }
  p.dateFormatters = std::make_shared<IcuDateFormatterFactory>();
  p.animator = std::make_shared<QtAnimator>();
  ctx.urlOpener = std::make_shared<QtURLOpener>(ctx.options.automation);
  p.urlOpener = ctx.urlOpener;
  ctx.logger = std::make_shared<RecordingLogger>();
  p.logger = ctx.logger;
  ctx.banners = std::make_shared<QtBannerService>(p, ctx.options.houseAds);
  p.banners = ctx.banners;
}

// Runs `then` once, right after the window's first paint has been handled.
void afterFirstFrame(QWidget* window, std::function<void()> then) {
  class FirstFrame : public QObject {
   public:
    FirstFrame(QObject* parent, std::function<void()> then) : QObject(parent), then_(std::move(then)) {}
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint && then_) {
        QTimer::singleShot(0, qApp, std::move(then_));
        then_ = nullptr;
      }
      return false;
    }

   private:
    std::function<void()> then_;
  };
  window->installEventFilter(new FirstFrame(window, std::move(then)));
}

AppState fromQt(Qt::ApplicationState state) {
  switch (state) {
    case Qt::ApplicationActive: return AppState::Active;
    case Qt::ApplicationInactive: return AppState::Inactive;
    default: return AppState::Background;  // hidden or suspended
  }
}

}  // namespace

int applicationMain(int argc, char** argv, ApplicationDefinition definition) {
  // Reading the system's font configuration is the longest step before the first frame and
  // needs nothing from Qt: it runs on another core while the application object, the services
  // and the screen are built.
  std::thread fontConfiguration([] { FcInit(); });
  QApplication app(argc, argv);
  QApplication::setApplicationName("storm-distance");
  QApplication::setOrganizationName("storm-distance");
  QApplication::setApplicationDisplayName("Storm Distance");
  QApplication::setApplicationVersion(STORM_VERSION);
  QGuiApplication::setDesktopFileName("storm-distance");

  AppContext ctx;
  if (!parseOptions(app.arguments(), ctx.options)) {
    fontConfiguration.join();
    return 2;
  }
  installTranslations();
  ctx.definition = std::move(definition);
  buildServices(ctx);

  auto* window = new AppWindow;
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->setWindowTitle("Storm Distance");
  window->setWindowIcon(QIcon(":/resources/icon.svg"));
  window->resize(360, 640);
  window->setMinimumSize(240, 320);
  ctx.window = window;
  std::unique_ptr<AppWindow> windowOwner(window);

  ctx.delegate = ctx.definition.makeDelegate(ctx.platform);
  ctx.lifecycle = std::make_unique<LifecycleTracker>(*ctx.delegate);
  installRatingPrompt(ctx);
  ctx.loader = std::make_unique<LayoutLoader>(ctx.platform, ctx.definition);
  ctx.screens = std::make_shared<ScreenStack>(window, *ctx.loader);
  ctx.banners->setWindow(window);
  // The system asks before the screen turns: portrait (1) when the window becomes taller than
  // wide, landscape (3) when it becomes wider than tall.
  window->onResize = [screens = ctx.screens.get(), window, portrait = true]() mutable {
    const bool nowPortrait = window->height() >= window->width();
    if (nowPortrait != portrait) {
      portrait = nowPortrait;
      screens->askToRotate(portrait ? 1 : 3);
    }
    screens->layout();
  };
  if (!ctx.screens->showMain(QString::fromStdString(ctx.definition.mainLayout))) {
    fontConfiguration.join();
    return 1;
  }
  auto connectMaps = [&ctx, root = QPointer<QWidget>(ctx.screens->main()->root)] {
    if (root)
      for (auto* map : root->findChildren<MapWidget*>()) connectMapServices(*map, ctx.options, ctx.logger, ctx.workers);
  };
  // Tiles and the position source are started once the window is on screen, so that they do
  // not hold up the first frame. Automation sessions get them at once, so the first command
  // already finds the map's position.
  if (ctx.options.automation) connectMaps();
  else afterFirstFrame(window, connectMaps);

  ctx.delegate->applicationDidFinishLaunchingWithOptions({});
  // For the start-up benchmark: after the window's first paint, say so on stdout and leave.
  if (qEnvironmentVariableIsSet("STORM_DISTANCE_FIRST_FRAME_EXIT")) {
    afterFirstFrame(window, [] {
      std::fprintf(stdout, "first-frame\n");
      std::fflush(stdout);
      QCoreApplication::exit(0);
    });
  }
  fontConfiguration.join();
  window->show();

  std::unique_ptr<AutomationDriver> automation;
  if (ctx.options.automation) {
    // Tests drive the lifecycle themselves; the window system's state changes are not theirs.
    automation = std::make_unique<AutomationDriver>(ctx);
    registerScreenCommands(*automation, ctx);
    registerRatingAutomation(*automation, ctx);
    // Shown and in front, as a launched app is once its window is up.
    ctx.lifecycle->moveTo(AppState::Active);
    automation->start();
  } else {
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app,
                     [&ctx](Qt::ApplicationState state) { ctx.lifecycle->moveTo(fromQt(state)); });
    QObject::connect(window->windowHandle(), &QWindow::windowStateChanged, window, [&ctx](Qt::WindowState state) {
      if (state == Qt::WindowMinimized) ctx.lifecycle->moveTo(AppState::Background);
    });
  }
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&ctx] { ctx.lifecycle->terminate(); });
  const int status = app.exec();
  automation.reset();
  return status;
}

}  // namespace storm::qt
