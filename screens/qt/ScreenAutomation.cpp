// Automation commands and state of the screens: which is on top, its controls (tap, segment), the
// main screen's labels, button, selector, map and frames, the banner, rotation, the window's size
// and the keyboard focus.

#include "screens/qt/ScreenAutomation.h"

#include <QAbstractButton>
#include <QApplication>
#include <QScrollArea>
#include <algorithm>

#include "map/qt/MapWidget.h"
#include "screens/qt/BannerView.h"
#include "screens/qt/MainScreen.h"
#include "screens/qt/QtViews.h"
#include "screens/qt/Screens.h"
#include "screens/qt/SegmentedControlWidget.h"
#include "system/qt/ScreenFit.h"
#include "ui_Main.h"

namespace storm::qt {

namespace {

Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }

Json rectJson(const QRect& r) { return rectJson(rectFromQRect(r)); }

// `widget`'s rectangle in the window's coordinates.
QRect inWindow(const QWidget* widget, QWidget* window) {
  return QRect(widget->mapTo(window, QPoint(0, 0)), widget->size());
}

// How the top screen fits the window: its size classes, and the named widgets on show that are
// squeezed below the size their content needs (`cramped`), cut off by the window or a parent
// without a way to scroll to them (`cut`), or covering one another without one holding the other
// (`overlapping`, in pairs); and the controls left out for want of room (`hidden`: those their
// owner marks so).
Json fitJson(QWidget* window, QWidget* root) {
  struct Shown {
    QWidget* widget;
    QRect rect;     // in window coordinates
    QRect visible;  // what its parents and the window leave on show
  };
  std::vector<Shown> shown;
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    const QString name = widget->objectName();
    if (name.isEmpty() || name.startsWith("qt_") || !widget->isVisibleTo(window)) continue;
    const QRect rect(widget->mapTo(window, QPoint(0, 0)), widget->size());
    QRect visible = rect & window->rect();
    for (QWidget* up = widget->parentWidget(); up && up != window; up = up->parentWidget())
      visible &= QRect(up->mapTo(window, QPoint(0, 0)), up->size());
    shown.push_back({widget, rect, visible});
  }
  Json cramped = Json::array(), cut = Json::array(), overlapping = Json::array(), hidden = Json::array();
  for (QWidget* widget : root->findChildren<QWidget*>())
    if (isLeftOutForRoom(widget) && !widget->isVisibleTo(window)) hidden.push(widget->objectName().toStdString());
  for (const Shown& s : shown) {
    const QSize least = s.widget->minimumSizeHint();
    const int height =
        s.widget->hasHeightForWidth() ? s.widget->heightForWidth(s.rect.width()) : std::max(least.height(), 0);
    if (s.rect.width() < least.width() || s.rect.height() < height) cramped.push(s.widget->objectName().toStdString());
    bool scrolls = false;
    for (QWidget* up = s.widget->parentWidget(); up && !scrolls; up = up->parentWidget())
      scrolls = qobject_cast<QScrollArea*>(up) != nullptr;
    if (s.visible != s.rect && !scrolls) cut.push(s.widget->objectName().toStdString());
  }
  for (size_t i = 0; i < shown.size(); ++i) {
    for (size_t j = i + 1; j < shown.size(); ++j) {
      const Shown &a = shown[i], &b = shown[j];
      if (a.widget->isAncestorOf(b.widget) || b.widget->isAncestorOf(a.widget)) continue;
      if (a.visible.intersects(b.visible))
        overlapping.push(Json(Json::Array{a.widget->objectName().toStdString(), b.widget->objectName().toStdString()}));
    }
  }
  return Json::object()
      .set("wide", root->property("wide").toBool())
      .set("short", root->property("short").toBool())
      .set("low", root->property("low").toBool())
      .set("narrow", root->property("narrow").toBool())
      .set("large", root->property("large").toBool())
      .set("cramped", std::move(cramped))
      .set("cut", std::move(cut))
      .set("overlapping", std::move(overlapping))
      .set("hidden", std::move(hidden));
}

Json mapJson(MKMapView& map, const QWidget* widget) {
  const MKCoordinateRegion region = map.region();
  Json overlays = Json::array();
  for (const auto& overlay : map.overlays()) {
    Json o = Json::object().set("lat", overlay->coordinate().latitude).set("lon", overlay->coordinate().longitude);
    if (auto circle = std::dynamic_pointer_cast<MKCircle>(overlay)) o.set("radius", circle->radius());
    overlays.push(std::move(o));
  }
  Json user;
  if (auto location = map.userLocation())
    user = Json::object().set("lat", location->coordinate().latitude).set("lon", location->coordinate().longitude);
  return Json::object()
      .set("frame", rectJson(inWindow(widget, widget->window())))  // in window coordinates, for screenshots
      .set("type", static_cast<int>(map.mapType()))
      .set("region", Json::object()
                         .set("lat", region.center.latitude)
                         .set("lon", region.center.longitude)
                         .set("latSpan", region.span.latitudeDelta)
                         .set("lonSpan", region.span.longitudeDelta))
      .set("overlays", std::move(overlays))
      .set("delegate", !map.delegate().expired())
      .set("autoresizing", map.autoresizingMask())
      .set("userLocation", std::move(user));
}

// A control of the screen on top by its action's name or its own, pressed as the user would.
Reply tapControl(Screens& screens, const std::string& name) {
  QWidget* screen = screens.top();
  if (!screen) return Reply::fail("no screen");
  // The main button is the one control named otherwise than its action.
  auto* button = qobject_cast<QAbstractButton*>(
      screen->findChild<QWidget*>(QString::fromStdString(name == "button" ? "buttonP" : name)));
  if (!button) return Reply::fail("no control " + name + " on this screen");
  if (!button->isEnabled()) return Reply::fail("control " + name + " is disabled");
  button->click();
  return Reply::ok();
}

Reply chooseSegment(Screens& screens, const QStringList& args) {
  bool ok = false;
  const int index = args.size() == 1 ? args[0].toInt(&ok) : 0;
  auto* control = screens.top() == screens.main() ? screens.main()->form().switcher : nullptr;
  if (!ok) return Reply::fail("segment needs an index");
  if (!control) return Reply::fail("no map-type selector on this screen");
  if (index < -1 || index >= control->segments().size()) return Reply::fail("no segment " + std::to_string(index));
  control->choose(index);
  drainMainQueue();
  return Reply::ok();
}

// Sets the window's size in pixels as dragging its corner would: within the window's least and
// greatest size. Answers the size it got.
Reply resizeWindow(QWidget* window, const QStringList& args) {
  bool wide = false, high = false;
  const int width = args.size() == 2 ? args[0].toInt(&wide) : 0;
  const int height = args.size() == 2 ? args[1].toInt(&high) : 0;
  if (!wide || !high || width < 1 || height < 1) return Reply::fail("resize needs WIDTH HEIGHT in pixels");
  const QSize least = window->minimumSize(), most = window->maximumSize().boundedTo(QSize(4096, 4096));
  window->resize(std::clamp(width, least.width(), most.width()), std::clamp(height, least.height(), most.height()));
  drainMainQueue();
  return Reply::with(Json::object().set("ok", true).set("size", Json(Json::Array{window->width(), window->height()})));
}

void addScreenCommands(AutomationDriver& driver, const ScreenAutomation& ctx) {
  Screens* screens = ctx.screens;
  QtBannerService* banners = ctx.banners.get();
  driver.setControlTapper([screens](const std::string& name) { return tapControl(*screens, name); });
  driver.addIdleCheck([screens] { return !screens->transitioning(); });
  driver.addCommand("segment", [screens](const QStringList& args) { return chooseSegment(*screens, args); });
  driver.addCommand("banner", [banners](const QStringList& args) {
    if (args.size() == 1 && args[0] == "load")
      banners->forceLoad();
    else if (args.size() == 1 && args[0] == "fail")
      banners->forceFailure();
    else
      return Reply::fail("banner needs load or fail");
    drainMainQueue();
    return Reply::ok();
  });
  driver.addTapTarget("banner", [screens, banners](const std::vector<std::string>& args) -> std::string {
    if (!args.empty()) return "tap needs one control";
    if (screens->top() != screens->main()) return "the banner is covered";
    if (!banners->tapNewest()) return "the banner shows no advertisement";
    return {};
  });
  driver.addCommand("rotate", [screens](const QStringList& args) {
    bool ok = false;
    const long orientation = args.size() == 1 ? args[0].toLong(&ok) : 0;
    if (!ok) return Reply::fail("rotate needs an orientation number");
    return Reply::with(Json::object().set("ok", true).set("allowed", screens->askToRotate(orientation)));
  });
  driver.addCommand("resize", [window = ctx.window](const QStringList& args) { return resizeWindow(window, args); });
}

// The window: its size and how the main screen is laid out in it ("portrait", or "side by side"
// with the controls beside the map); its inside on the screen (in screen pixels), whether it has
// the keyboard, and the main button's frame in window coordinates, which a test of the real
// window needs to find the button in a picture of the whole screen.
Json windowJson(QWidget* window, MainScreen* main) {
  const QRect inside(window->mapToGlobal(QPoint(0, 0)), window->size());
  const QWidget* button = main ? main->form().buttonP : nullptr;
  return Json::object()
      .set("size", Json(Json::Array{window->width(), window->height()}))
      .set("layout", main && main->property("wide").toBool() ? "side by side" : "portrait")
      .set("frame", rectJson(inside))
      .set("active", window->isActiveWindow())
      .set("button", button ? rectJson(inWindow(button, window)) : Json());
}

Json bannerJson(QtBannerService& banners, MainScreen* main) {
  auto banner = banners.newest();
  QWidget* widget = banner ? widgetOf(banner.get()) : nullptr;
  if (!widget) return nullptr;
  const std::string id = banner->currentContentSizeIdentifier();
  Json identifier;
  if (id == ADBannerContentSizeIdentifierPortrait)
    identifier = "portrait";
  else if (id == ADBannerContentSizeIdentifierLandscape)
    identifier = "landscape";
  return Json::object()
      .set("frame", rectJson(banner->frame()))
      .set("loaded", banner->isBannerLoaded())
      .set("identifier", std::move(identifier))
      .set("inView", main && widget->parentWidget() == main);
}

void addScreenMembers(AutomationDriver& driver, const ScreenAutomation& ctx) {
  // The widget that has the keyboard focus, by object name; null when none has.
  driver.addStateMember("focus", []() -> Json {
    const QWidget* focus = QApplication::focusWidget();
    return focus ? Json(focus->objectName().toStdString()) : Json();
  });
  // How the top screen fits the window: its size classes and the widgets that do not fit.
  driver.addStateMember("fit", [ctx]() -> Json {
    QWidget* top = ctx.screens->top();
    return top ? fitJson(ctx.window, top) : Json();
  });
  driver.addStateMember(
      "window", [ctx]() -> Json { return ctx.window ? windowJson(ctx.window, ctx.screens->main()) : Json(nullptr); });
  driver.addStateMember("banner", [ctx]() -> Json { return bannerJson(*ctx.banners, ctx.screens->main()); });
}

// The main screen's members; each reads the screen afresh, null where the screen or the view is gone.
void addMainMembers(AutomationDriver& driver, Screens* screens) {
  auto member = [screens](auto read) {
    return [screens, read]() -> Json {
      MainScreen* main = screens->main();
      return main ? read(main->controller()) : Json();
    };
  };
  auto labelText = [](const std::shared_ptr<Label>& label) { return label ? Json(label->text()) : Json(); };
  driver.addStateMember("time", member([labelText](MainViewController& c) { return labelText(c.time()); }));
  driver.addStateMember("dist", member([labelText](MainViewController& c) { return labelText(c.dist()); }));
  driver.addStateMember("button", member([](MainViewController& c) {
                          auto button = c.buttonP();
                          return button ? Json(button->title(ControlStateNormal)) : Json();
                        }));
  driver.addStateMember("phase", member([](MainViewController& c) { return Json(c.stopwatch().measurementPhase); }));
  driver.addStateMember("segment", member([](MainViewController& c) {
                          auto segments = c.switcher();
                          return segments ? Json(segments->selectedSegmentIndex()) : Json();
                        }));
  driver.addStateMember("map", member([screens](MainViewController& c) {
                          auto map = c.mapView();
                          return map ? mapJson(*map, screens->main()->form().mapView) : Json();
                        }));
  driver.addStateMember(
      "view", member([](MainViewController& c) {
        auto view = c.view();
        if (!view) return Json();
        return Json::object().set("frame", rectJson(view->frame())).set("bounds", rectJson(view->bounds()));
      }));
  driver.addStateMember("content", member([](MainViewController& c) {
                          auto content = c.contentView();
                          return content ? Json::object().set("frame", rectJson(content->frame())) : Json();
                        }));
}

}  // namespace

void registerScreenAutomation(AutomationDriver& driver, const ScreenAutomation& screens) {
  // First of the members: which screen is on top.
  driver.addStateMember("screen", [ctx = screens]() -> Json {
    if (!ctx.screens->presented()) return "main";
    return ctx.screens->presentedName() == "History" ? "history" : "info";
  });
  addScreenCommands(driver, screens);
  addScreenMembers(driver, screens);
  addMainMembers(driver, screens.screens);
}

}  // namespace storm::qt
