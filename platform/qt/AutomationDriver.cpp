#include "platform/qt/AutomationDriver.h"

#include <QAbstractButton>
#include <QAbstractEventDispatcher>
#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <cmath>
#include <cstdio>
#include <thread>
#include <unistd.h>

#include "platform/Nil.h"
#include "platform/qt/AppContext.h"
#include "platform/qt/MapWidget.h"
#include "platform/qt/QtViews.h"
#include "platform/qt/SegmentedControlWidget.h"

namespace storm::qt {

namespace {

constexpr double kSettleLimitSeconds = 30;

Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }

bool toDouble(const QString& text, double& out) {
  bool ok = false;
  out = text.toDouble(&ok);
  return ok && std::isfinite(out);
}

MapWidget* mapWidget(const AppContext& ctx) {
  auto* screen = ctx.screens->main();
  return screen ? qobject_cast<MapWidget*>(widgetOf(screen->outlet("mapView").get())) : nullptr;
}

Json mapJson(const AppContext& ctx) {
  auto* screen = ctx.screens->main();
  auto map = screen ? std::dynamic_pointer_cast<MKMapView>(screen->outlet("mapView")) : nullptr;
  if (!map || !widgetOf(map.get())) return nullptr;
  const MKCoordinateRegion region = map->region();
  Json overlays = Json::array();
  for (const auto& overlay : map->overlays()) {
    Json o = Json::object().set("lat", overlay->coordinate().latitude).set("lon", overlay->coordinate().longitude);
    if (auto circle = std::dynamic_pointer_cast<MKCircle>(overlay)) o.set("radius", circle->radius());
    overlays.push(std::move(o));
  }
  Json user;
  if (auto location = map->userLocation())
    user = Json::object().set("lat", location->coordinate().latitude).set("lon", location->coordinate().longitude);
  QWidget* widget = widgetOf(map.get());
  const QRect inWindow(widget->mapTo(widget->window(), QPoint(0, 0)), widget->size());
  return Json::object()
      .set("frame", rectJson(rectFromQRect(inWindow)))  // in window coordinates, for screenshots
      .set("type", static_cast<int>(map->mapType()))
      .set("region", Json::object()
                         .set("lat", region.center.latitude)
                         .set("lon", region.center.longitude)
                         .set("latSpan", region.span.latitudeDelta)
                         .set("lonSpan", region.span.longitudeDelta))
      .set("overlays", std::move(overlays))
      .set("delegate", !map->delegate().expired())
      .set("autoresizing", map->autoresizingMask())
      .set("userLocation", std::move(user));
}

}  // namespace

void drainMainQueue() {
  // Posted events may post more; a few rounds reach the end of any chain of ours.
  for (int round = 0; round < 8; ++round) {
    QCoreApplication::sendPostedEvents();
    if (!QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents)) break;
  }
}

void waitRunning(double seconds) {
  QEventLoop loop;
  QTimer::singleShot(static_cast<int>(std::lround(seconds * 1000)), &loop, &QEventLoop::quit);
  loop.exec();
}

AutomationDriver::AutomationDriver(AppContext& ctx) : ctx_(ctx) {
  addCommand("quit", [](const QStringList&) {
    QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
    return Reply::ok();
  });
  addCommand("state", [this](const QStringList&) { return Reply::with(state()); });
  addCommand("settle", [this](const QStringList&) { return settle(); });
  addCommand("wait", [](const QStringList& args) {
    double s = 0;
    if (args.size() != 1 || !toDouble(args[0], s) || s < 0 || s > 600) return Reply::fail("wait needs seconds (0 to 600)");
    waitRunning(s);
    return Reply::ok();
  });
  addCommand("advance", [this](const QStringList& args) {
    double s = 0;
    if (!ctx_.manualClock) return Reply::fail("advance needs --manual-clock");
    if (args.size() != 1 || !toDouble(args[0], s) || s < 0) return Reply::fail("advance needs non-negative seconds");
    ctx_.manualClock->advance(s);
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("tap", [this](const QStringList& args) {
    if (args.size() != 1) return Reply::fail("tap needs one control");
    auto* screen = ctx_.screens->top();
    if (!screen) return Reply::fail("no screen");
    const std::string name = args[0].toStdString();
    if (auto it = commands_.find("tap " + args[0]); it != commands_.end()) return it->second({});
    QWidget* w = screen->widgetForAction(name + ":");
    if (!w && screen->root) w = screen->root->findChild<QWidget*>(args[0]);
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button) return Reply::fail("no control " + name + " on this screen");
    if (!button->isEnabled()) return Reply::fail("control " + name + " is disabled");
    button->click();
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("segment", [this](const QStringList& args) {
    bool ok = false;
    const int index = args.size() == 1 ? args[0].toInt(&ok) : 0;
    auto* screen = ctx_.screens->top();
    auto* control = screen ? qobject_cast<SegmentedControlWidget*>(screen->widgetForAction("switcher:")) : nullptr;
    if (!ok) return Reply::fail("segment needs an index");
    if (!control) return Reply::fail("no map-type selector on this screen");
    if (index < -1 || index >= control->segments().size()) return Reply::fail("no segment " + std::to_string(index));
    control->choose(index);
    drainMainQueue();
    return Reply::ok();
  });
  addCommand("location", [this](const QStringList& args) {
    auto* map = mapWidget(ctx_);
    if (!map) return Reply::fail("no map");
    double lat = 0, lon = 0;
    if (args.size() == 1 && args[0] == "none") {
      map->overrideUserLocation(std::nullopt);
    } else if (args.size() == 2 && toDouble(args[0], lat) && toDouble(args[1], lon) && std::abs(lat) <= 90 &&
               std::abs(lon) <= 180) {
      map->overrideUserLocation(CLLocationCoordinate2D{lat, lon});
    } else {
      return Reply::fail("location needs LAT LON in degrees, or none");
    }
    return Reply::ok();
  });
  addCommand("camera", [this](const QStringList& args) {
    auto* map = mapWidget(ctx_);
    if (!map) return Reply::fail("no map");
    double lat = 0, lon = 0, zoom = 0;
    if (args.size() != 3 || !toDouble(args[0], lat) || !toDouble(args[1], lon) || !toDouble(args[2], zoom) ||
        std::abs(lat) > 90 || std::abs(lon) > 180)
      return Reply::fail("camera needs LAT LON ZOOM");
    map->setCamera({{lat, lon}, zoom}, false);
    return Reply::ok();
  });
  // The map widget as drawn (its place in the window is map.frame): its zoom, whether it is
  // gliding, and how many of the tiles it shows (or glides to) are in memory or failing.
  addStateMember("mapView", [this]() -> Json {
    auto* map = mapWidget(ctx_);
    if (!map) return nullptr;
    const MapWidget::TileStatus tiles = map->tileStatus();
    return Json::object()
        .set("zoom", map->camera().zoom)
        .set("animating", map->animating())
        .set("accuracy", map->userLocationAccuracy())
        .set("tiles", Json::object().set("needed", tiles.needed).set("ready", tiles.ready).set("failing", tiles.failing));
  });
  addCommand("screenshot", [this](const QStringList& args) {
    if (args.size() != 1) return Reply::fail("screenshot needs a path");
    if (!ctx_.window) return Reply::fail("no window");
    drainMainQueue();
    if (!ctx_.window->grab().save(args[0], "PNG")) return Reply::fail("cannot write " + args[0].toStdString());
    return Reply::ok();
  });
  addCommand("lifecycle", [this](const QStringList& args) {
    static const std::map<QString, AppState> states{{"background", AppState::Background},
                                                    {"foreground", AppState::Inactive},
                                                    {"inactive", AppState::Inactive},
                                                    {"active", AppState::Active}};
    auto it = args.size() == 1 ? states.find(args[0]) : states.end();
    if (it == states.end()) return Reply::fail("lifecycle needs background, foreground, inactive or active");
    // Coming to the foreground ends active, as it does on a device.
    ctx_.lifecycle->moveTo(it->second);
    if (args[0] == "foreground") ctx_.lifecycle->moveTo(AppState::Active);
    drainMainQueue();
    return Reply::ok();
  });
}

void AutomationDriver::addCommand(const QString& verb, Command command) { commands_[verb] = std::move(command); }

AutomationDriver::Command AutomationDriver::command(const QString& verb) const {
  auto it = commands_.find(verb);
  return it == commands_.end() ? Command() : it->second;
}

void AutomationDriver::addStateMember(const std::string& name, std::function<Json()> value) {
  stateMembers_.emplace_back(name, std::move(value));
}

void AutomationDriver::addIdleCheck(std::function<bool()> idle) { idleChecks_.push_back(std::move(idle)); }

void AutomationDriver::start() {
  notifier_ = new QSocketNotifier(STDIN_FILENO, QSocketNotifier::Read, this);
  connect(notifier_, &QSocketNotifier::activated, this, [this] { readInput(); });
}

void AutomationDriver::readInput() {
  char chunk[4096];
  const ssize_t n = ::read(STDIN_FILENO, chunk, sizeof chunk);
  if (n <= 0) {
    notifier_->setEnabled(false);
    inputClosed_ = true;
  } else {
    buffer_.append(chunk, static_cast<size_t>(n));
    for (size_t end; (end = buffer_.find('\n')) != std::string::npos;) {
      pending_.push_back(buffer_.substr(0, end));
      buffer_.erase(0, end + 1);
    }
  }
  drain();
}

void AutomationDriver::drain() {
  if (running_) return;  // a command that runs the event loop (wait, settle) finishes first
  running_ = true;
  while (!pending_.empty()) {
    const std::string line = pending_.front();
    pending_.pop_front();
    const Reply reply = run(QString::fromStdString(line));
    const std::string out =
        reply.error.empty() ? reply.value.dump() : Json::object().set("error", reply.error).dump();
    std::fprintf(stdout, "%s\n", out.c_str());
    std::fflush(stdout);
  }
  running_ = false;
  if (inputClosed_) QTimer::singleShot(0, qApp, [] { QCoreApplication::exit(0); });
}

Reply AutomationDriver::run(const QString& line) {
  QStringList words = line.trimmed().split(' ', Qt::SkipEmptyParts);
  if (words.isEmpty()) return Reply::fail("empty command");
  const QString verb = words.takeFirst();
  auto it = commands_.find(verb);
  if (it == commands_.end()) return Reply::fail("unknown command: " + verb.toStdString());
  return it->second(words);
}

Reply AutomationDriver::settle() {
  QElapsedTimer elapsed;
  elapsed.start();
  int quietRounds = 0;
  while (elapsed.elapsed() < kSettleLimitSeconds * 1000) {
    bool idle = !ctx_.screens->transitioning();
    for (auto& check : idleChecks_) idle = idle && check();
    QCoreApplication::sendPostedEvents();
    const bool worked = QAbstractEventDispatcher::instance()->processEvents(QEventLoop::AllEvents);
    quietRounds = idle && !worked ? quietRounds + 1 : 0;
    if (quietRounds >= 3) return Reply::ok();
    if (!worked) std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return Reply::fail("still busy after 30 s");
}

Json AutomationDriver::state() const {
  Json s = Json::object();
  auto* main = ctx_.screens->main();
  auto* top = ctx_.screens->top();
  s.set("screen", top && top != main ? "info" : "main");
  auto text = [main](const char* outlet) -> Json {
    auto label = main ? std::dynamic_pointer_cast<Label>(main->outlet(outlet)) : nullptr;
    return label && widgetOf(label.get()) ? Json(label->text()) : Json();
  };
  s.set("time", text("time"));
  s.set("dist", text("dist"));
  auto button = main ? std::dynamic_pointer_cast<Button>(main->outlet("buttonP")) : nullptr;
  s.set("button", button && widgetOf(button.get()) ? Json(button->title(ControlStateNormal)) : Json());
  for (const auto& [name, value] : ctx_.definition.automationState) s.set(name, value());
  auto segments = main ? std::dynamic_pointer_cast<SegmentedControl>(main->outlet("switcher")) : nullptr;
  s.set("segment", segments && widgetOf(segments.get()) ? Json(segments->selectedSegmentIndex()) : Json());
  s.set("map", mapJson(ctx_));
  if (main && main->rootView)
    s.set("view", Json::object().set("frame", rectJson(main->rootView->frame())).set("bounds", rectJson(main->rootView->bounds())));
  else
    s.set("view", nullptr);
  auto content = main ? main->outlet("contentView") : nullptr;
  s.set("content", content && widgetOf(content.get()) ? Json::object().set("frame", rectJson(content->frame())) : Json());
  for (const auto& [name, value] : stateMembers_) s.set(name, value());
  Json urls = Json::array();
  for (const auto& url : ctx_.urlOpener->openedURLs()) urls.push(url);
  s.set("openedURLs", std::move(urls));
  Json log = Json::array();
  for (const auto& line : ctx_.logger->lines()) log.push(line);
  s.set("log", std::move(log));
  return s;
}

}  // namespace storm::qt
