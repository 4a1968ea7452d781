#include "app/qt/QtApplication.h"

#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QScreen>
#include <QShortcut>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <optional>
#include <string_view>
#include <tuple>
#include <vector>

#include "BuildConfig.h"
#include "app/AppDelegate.h"
#include "app/qt/Features.h"
#include "app/qt/FontSetUp.h"
#include "app/qt/Lifecycle.h"
#include "app/qt/QtLocale.h"
#include "app/qt/Services.h"
#include "automation/qt/AutomationDriver.h"
#include "rating/RatingPrompt.h"
#include "rating/qt/RatingAutomation.h"
#include "rating/qt/ScriptableReachability.h"
#include "screens/qt/BannerView.h"
#include "screens/qt/MainScreen.h"
#include "screens/qt/ScreenAutomation.h"
#include "screens/qt/Screens.h"
#include "system/qt/Accessibility.h"
#include "system/qt/ButtonKeys.h"
#include "system/qt/DarkPalette.h"
#include "system/qt/Options.h"
#include "system/qt/QtDispatch.h"
#include "system/qt/QtLogger.h"
#include "system/qt/QtPreferences.h"
#include "system/qt/QtURLOpener.h"
#include "system/qt/SingleInstance.h"

namespace storm::qt {

namespace {

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

// --help and --version print text only: they need no display.
bool onlyText(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    const std::string_view argument = argv[i];
    if (argument == "--") break;
    if (argument == "-h" || argument == "-?" || argument == "--help" || argument == "--help-all" || argument == "-v" ||
        argument == "--version")
      return true;
  }
  return false;
}

// While the application object connects to the display, the toolkit's complaints are held back;
// when it cannot connect at all (it would abort), one line says so and the program ends with 1.
class DisplayWatch {
 public:
  DisplayWatch() { previous_ = qInstallMessageHandler(hold); }
  ~DisplayWatch() {
    qInstallMessageHandler(previous_);
    for (const auto& [type, context, text] : held_) {
      const QMessageLogContext c(context.file.constData(), context.line, context.function.constData(),
                                 context.category.constData());
      previous_ ? previous_(type, c, text) : void(std::fprintf(stderr, "%s\n", qPrintable(text)));
    }
  }

 private:
  struct Context {
    QByteArray file, function, category;
    int line = 0;
  };
  static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (type == QtFatalMsg) {
      const QByteArray display = qgetenv("DISPLAY");
      if (display.isEmpty() && qgetenv("WAYLAND_DISPLAY").isEmpty())
        std::fprintf(stderr,
                     "storm-distance: no display to open a window on (neither DISPLAY nor WAYLAND_DISPLAY is set)\n");
      else
        std::fprintf(stderr, "storm-distance: cannot open a window on the display%s%s\n", display.isEmpty() ? "" : " ",
                     display.constData());
      std::fflush(stderr);
      std::_Exit(1);
    }
    held_.push_back({type, {context.file, context.function, context.category, context.line}, text});
  }
  static inline QtMessageHandler previous_ = nullptr;
  static inline std::vector<std::tuple<QtMsgType, Context, QString>> held_;
};

void nameApplication() {
  QCoreApplication::setApplicationName("storm-distance");
  QCoreApplication::setOrganizationName("storm-distance");
  QCoreApplication::setApplicationVersion(build::kVersion);
}

// The window the screens fill. A phone's shape to start with; the least size still holds the main
// button at touch size, the shelter notice on the map and the banner. Neither is larger than the
// screen's free area (the offscreen platform's screen is made up: there nothing is bounded).
std::unique_ptr<QWidget> makeWindow() {
  auto window = std::make_unique<QWidget>();
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->setWindowTitle("Storm Distance");
  QSize opening(360, 640), least(240, 360);
  if (const QScreen* screen = QGuiApplication::primaryScreen();
      screen && QGuiApplication::platformName() != QLatin1String("offscreen")) {
    opening = opening.boundedTo(screen->availableGeometry().size());
    least = least.boundedTo(opening);
  }
  window->resize(opening);
  window->setMinimumSize(least);
  installButtonKeys();
  // Ctrl+Q closes the window, and so ends the application, from any screen or dialog.
  auto* quit = new QShortcut(QKeySequence::Quit, window.get());
  quit->setContext(Qt::ApplicationShortcut);
  QObject::connect(quit, &QShortcut::activated, window.get(), &QWidget::close);
  return window;
}

// The moves of the lifecycle the application acts on: each return to the foreground goes to the
// application's delegate, and the rating prompt hears of the resign-active event itself.
void connectLifecycle(Lifecycle& lifecycle, AppDelegate& delegate) {
  QObject::connect(&lifecycle, &Lifecycle::willEnterForeground, &lifecycle,
                   [&delegate] { delegate.applicationWillEnterForeground(); });
  QObject::connect(&lifecycle, &Lifecycle::willResignActive, &lifecycle, [] { RatingPrompt::appWillResignActive(); });
}

// What automation mode adds once the window is up; then it starts reading commands.
void startAutomation(AutomationDriver& automation, const Services& services, Features& features, Lifecycle& lifecycle) {
  features.registerAutomation();
  registerRatingAutomation(automation, {services.scriptedReachability, services.preferences});
  registerLifecycleAutomation(automation, lifecycle);
  automation.addIdleCheck([dispatch = std::weak_ptr(services.dispatch)] {
    auto queue = dispatch.lock();
    return !queue || queue->idle();
  });
  automation.addLastStateMember("openedURLs", [urls = services.urlOpener] {
    Json list = Json::array();
    for (const auto& url : urls->openedURLs()) list.push(url);
    return list;
  });
  automation.addLastStateMember("log", [logger = services.logger] {
    Json lines = Json::array();
    for (const auto& line : logger->lines()) lines.push(line);
    return lines;
  });
  // Tests drive the lifecycle themselves; the window system's state changes are not theirs.
  // Shown and in front, as a launched app is once its window is up.
  lifecycle.moveTo(Qt::ApplicationActive);
  automation.start();
}

// Outside automation mode the lifecycle is the window system's: the application's state, and a
// minimised window counts as the background.
void followSystemLifecycle(QApplication& app, QWidget* window, Lifecycle& lifecycle) {
  QObject::connect(&app, &QGuiApplication::applicationStateChanged, &lifecycle, &Lifecycle::moveTo);
  QObject::connect(window->windowHandle(), &QWindow::windowStateChanged, window, [&lifecycle](Qt::WindowState state) {
    if (state == Qt::WindowMinimized) lifecycle.moveTo(Qt::ApplicationHidden);
  });
}

// Outside automation mode the storm's rings and panel, which the strike log's read-back may bring
// early, wait for the window's first frame; so do the tiles, the position source and the workers
// (see buildServices). Automation sessions get them at once, so the first command already finds
// the map's position. Neither the window's icon, which a plugin draws from its SVG, nor the socket
// a later launch asks on is needed for the first frame.
void startAfterFirstFrame(QWidget* window, const Options& options, const Services& services, Features* features,
                          SingleInstance* instance) {
  if (options.automation) {
    features->connectMap();
  } else {
    afterFirstFrame(window, [features, workers = services.workers] {
      workers->release();
      features->connectMap();
      features->releaseStorm();
    });
  }
  afterFirstFrame(window, [window, instance] {
    window->setWindowIcon(QIcon(":/resources/icon.svg"));
    if (instance) instance->listen();
  });
  // For the start-up benchmark: after the window's first paint, say so on stdout and leave.
  if (qEnvironmentVariableIsSet("STORM_DISTANCE_FIRST_FRAME_EXIT")) {
    afterFirstFrame(window, [] {
      std::fprintf(stdout, "first-frame\n");
      std::fflush(stdout);
      QCoreApplication::exit(0);
    });
  }
}

// Builds the services, the features and the screens into the window, shows it, and runs the event
// loop; its exit status.
int runWindow(QApplication& app, const Options& options, SingleInstance* instance, FontSetUp& fonts) {
  installTranslations();
  std::unique_ptr<QWidget> window = makeWindow();
  const std::unique_ptr<Services> services = buildServices(options, window.get());
  std::unique_ptr<AutomationDriver> automation;
  if (options.automation) automation = std::make_unique<AutomationDriver>(window.get(), services->manualClock);
  auto features = std::make_unique<Features>(*services, options, automation.get());
  AppDelegate delegate;
  Lifecycle lifecycle;
  connectLifecycle(lifecycle, delegate);
  auto* screens = new Screens(window.get(), new MainScreen(features->makeMainController(), window.get()),
                              [&features](QWidget* in) { return features->makeInfoScreen(in); });
  // The screens' members come first in `state`, what the services recorded last.
  if (automation) registerScreenAutomation(*automation, {window.get(), screens, services->banners});
  features->mainScreenShown(screens, !options.automation);
  startAfterFirstFrame(window.get(), options, *services, features.get(), instance);
  features->launch();
  delegate.applicationDidFinishLaunchingWithOptions({});
  // The style sheets' work and the native window need no font: they are done before the fonts are.
  window->ensurePolished();
  window->winId();
  fonts.finish();
  window->show();
  if (instance) {
    instance->setOnActivate([w = window.get()] {
      w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
      w->show();
      w->raise();
      w->activateWindow();
    });
  }
  if (automation)
    startAutomation(*automation, *services, *features, lifecycle);
  else
    followSystemLifecycle(app, window.get(), lifecycle);
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&lifecycle, dispatch = services->dispatch] {
    // Once terminated the application hears no more of its lifecycle, so the prompt gets no new
    // work; nothing is left running on the workers when the services go.
    lifecycle.disconnect();
    dispatch->waitForIdle();
  });
  const int status = app.exec();
  automation.reset();
  // The widgets go first, while the features and services they were made with are still there.
  window.reset();
  features.reset();
  return status;
}

}  // namespace

int runApplication(int argc, char** argv) {
  if (onlyText(argc, argv)) {
    QCoreApplication core(argc, argv);
    nameApplication();
    return parseOptions(core.arguments()) ? 0 : 2;  // the texts end the program; a bad option returns
  }
  // The fonts are set up on another core while the application object, the services and the
  // screen are built.
  FontSetUp fonts;
  if (const QString why = guardAccessibilityBus(); !why.isEmpty())
    std::fprintf(stderr, "storm-distance: accessibility is off for this run: %s\n", qPrintable(why));
  std::optional<DisplayWatch> displayWatch(std::in_place);
  QApplication app(argc, argv);
  displayWatch.reset();
  startAccessibilityBridge();
  fonts.applicationReady();
  nameApplication();
  QApplication::setApplicationDisplayName("Storm Distance");
  useDarkPalette();
  installAccessibleRoles();
  QGuiApplication::setDesktopFileName(build::kApplicationId);

  const std::optional<Options> options = parseOptions(app.arguments());
  std::unique_ptr<SingleInstance> instance;
  // Outside automation mode (where tests run copies side by side) a second launch only brings the
  // running copy's window forward; a running copy that did not answer (stopped, or hung) showed
  // nothing.
  bool answered = false;
  if (options && !options->automation)
    instance = SingleInstance::claim(
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + "/storm-distance", &answered);
  if (!options || (!options->automation && !instance)) {
    fonts.finish();
    return !options ? 2 : answered ? 0 : 1;
  }
  return runWindow(app, *options, instance.get(), fonts);
}

}  // namespace storm::qt
