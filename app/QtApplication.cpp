#include "app/QtApplication.h"

#include <fontconfig/fontconfig.h>
#include <QApplication>
#include <QGuiApplication>
#include <QIcon>
#include <QResizeEvent>
#include <QStandardPaths>
#include <QTimer>
#include <QWindow>
#include <cstdio>
#include <optional>
#include <string_view>
#include <thread>
#include <tuple>
#include <vector>

#include "BuildConfig.h"
#include "kit/NotificationCenter.h"
#include "automation/qt/AutomationDriver.h"
#include "kit/qt/LayoutLoader.h"
#include "map/qt/MapServices.h"
#include "map/qt/MapWidget.h"
#include "system/qt/Options.h"
#include "kit/qt/QtBundle.h"
#include "system/qt/QtDispatch.h"
#include "app/QtPlatform.h"
#include "map/qt/QtUserPosition.h"
#include "kit/qt/ScreenStack.h"
#include "system/qt/SingleInstance.h"

namespace storm::qt {

namespace {

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

}  // namespace

int applicationMain(int argc, char** argv, ApplicationDefinition definition) {
  if (onlyText(argc, argv)) {
    QCoreApplication core(argc, argv);
    nameApplication();
    return parseOptions(core.arguments()) ? 0 : 2;  // the texts end the program; a bad option returns
  }
  // Reading the system's font configuration is the longest step before the first frame and
  // needs nothing from Qt: it runs on another core while the application object, the services
  // and the screen are built.
  std::thread fontConfiguration([] { FcInit(); });
  std::optional<DisplayWatch> displayWatch(std::in_place);
  QApplication app(argc, argv);
  displayWatch.reset();
  nameApplication();
  QApplication::setApplicationDisplayName("Storm Distance");
  QGuiApplication::setDesktopFileName(build::kApplicationId);

  const std::optional<Options> options = parseOptions(app.arguments());
  if (!options) {
    fontConfiguration.join();
    return 2;
  }
  // Outside automation mode (where tests run copies side by side) a second launch only brings the
  // running copy's window forward.
  std::unique_ptr<SingleInstance> instance;
  if (!options->automation) {
    instance = SingleInstance::claim(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                     "/storm-distance");
    if (!instance) {
      fontConfiguration.join();
      return 0;
    }
  }
  installTranslations();

  auto window = std::make_unique<AppWindow>();
  window->setAttribute(Qt::WA_DeleteOnClose, false);
  window->setWindowTitle("Storm Distance");
  window->setWindowIcon(QIcon(":/resources/icon.svg"));
  window->resize(360, 640);
  window->setMinimumSize(240, 320);

  const std::unique_ptr<QtPlatform> services = buildPlatform(*options, window.get());
  const std::unique_ptr<ApplicationDelegate> delegate = definition.makeDelegate(services->platform);
  LifecycleTracker lifecycle(*delegate);
  // The system's notice that the application is about to become inactive.
  lifecycle.addObserver([center = services->platform.notificationCenter](LifecycleEvent event) {
    if (event == LifecycleEvent::WillResignActive) center->post(kApplicationWillResignActiveNotification);
  });
  LayoutLoader loader(*delegate);
  auto screens = std::make_shared<ScreenStack>(window.get(), loader);
  const AutomationContext automationContext{window.get(), screens.get(), &lifecycle, services.get()};
  std::shared_ptr<AutomationDriver> automation;
  if (options->automation) {
    automation = std::make_shared<AutomationDriver>(automationContext);
    services->platform.automation = automation;
  }

  // The system asks before the screen turns: portrait when the window becomes taller than wide,
  // landscape when it becomes wider than tall; and says so once the screens have their new size.
  window->onResize = [screens = screens.get(), w = window.get(), portrait = true]() mutable {
    const bool nowPortrait = w->height() >= w->width();
    const bool turned = nowPortrait != portrait;
    if (turned) {
      portrait = nowPortrait;
      screens->askToRotate(portrait ? InterfaceOrientationPortrait : InterfaceOrientationLandscapeRight);
    }
    screens->layout();
    if (turned) screens->didRotate(portrait ? InterfaceOrientationLandscapeRight : InterfaceOrientationPortrait);
  };
  MapWidget::holdStormDecorationsOfNewMaps(!options->automation);
  if (!screens->showMain(QString::fromStdString(definition.mainLayout))) {
    fontConfiguration.join();
    return 1;
  }
  // The position service follows the main screen's map from the start, so that it opens where the
  // application asks.
  if (auto* map = screens->main()->root->findChild<MapWidget*>()) services->position->attach(map);
  auto connectMaps = [&options, &services, root = QPointer<QWidget>(screens->main()->root)] {
    if (root)
      for (auto* map : root->findChildren<MapWidget*>())
        connectMapServices(*map, *options, services->platform.logger, services->workers);
  };
  // Tiles and the position source are started once the window is on screen, so that they do
  // not hold up the first frame. Automation sessions get them at once, so the first command
  // already finds the map's position.
  if (options->automation) {
    connectMaps();
  } else {
    afterFirstFrame(window.get(), connectMaps);
    // So are the storm's rings and panel, which the strike log's read-back may bring before it.
    MapWidget::holdStormDecorationsOfNewMaps(false);
    afterFirstFrame(window.get(), [root = QPointer<QWidget>(screens->main()->root)] {
      if (root)
        for (auto* map : root->findChildren<MapWidget*>()) map->holdStormDecorations(false);
    });
  }

  delegate->applicationDidFinishLaunchingWithOptions(launchOptions());
  // For the start-up benchmark: after the window's first paint, say so on stdout and leave.
  if (qEnvironmentVariableIsSet("STORM_DISTANCE_FIRST_FRAME_EXIT")) {
    afterFirstFrame(window.get(), [] {
      std::fprintf(stdout, "first-frame\n");
      std::fflush(stdout);
      QCoreApplication::exit(0);
    });
  }
  fontConfiguration.join();
  window->show();
  if (instance) {
    instance->setOnActivate([w = window.get()] {
      w->setWindowState((w->windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
      w->show();
      w->raise();
      w->activateWindow();
    });
  }

  if (automation) {
    registerMapAutomation(*automation, automationContext);
    registerScreenAutomation(*automation, automationContext);
    registerServiceAutomation(*automation, automationContext);
    registerStrikeAutomation(*automation, automationContext);
    registerHistoryAutomation(*automation, automationContext);
    // Tests drive the lifecycle themselves; the window system's state changes are not theirs.
    // Shown and in front, as a launched app is once its window is up.
    lifecycle.moveTo(AppState::Active);
    automation->start();
  } else {
    QObject::connect(&app, &QGuiApplication::applicationStateChanged, &app,
                     [&lifecycle](Qt::ApplicationState state) { lifecycle.moveTo(fromQt(state)); });
    QObject::connect(window->windowHandle(), &QWindow::windowStateChanged, window.get(),
                     [&lifecycle](Qt::WindowState state) {
                       if (state == Qt::WindowMinimized) lifecycle.moveTo(AppState::Background);
                     });
  }
  QObject::connect(&app, &QCoreApplication::aboutToQuit, &app, [&lifecycle, dispatch = services->dispatch] {
    lifecycle.terminate();
    // Nothing left running on the workers when the services go.
    dispatch->waitForIdle();
  });
  const int status = app.exec();
  services->platform.automation.reset();
  automation.reset();
  // The widgets go first, while the services they were made with are still there.
  window.reset();
  return status;
}

}  // namespace storm::qt
