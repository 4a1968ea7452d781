// Automation commands and state of the screens: which is on top, its controls (tap, segment), the
// banner, rotation, the window's size, the lifecycle and the keyboard focus.

#include <QAbstractButton>
#include <QApplication>
#include <QScrollArea>
#include <algorithm>

#include "kit/qt/BannerView.h"
#include "kit/qt/KitAutomation.h"
#include "kit/qt/QtViews.h"
#include "kit/qt/ScreenStack.h"
#include "kit/qt/SegmentedControlWidget.h"

namespace storm::qt {

namespace {
Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }

// How the top screen fits the window: its size classes, and the named widgets on show that are
// squeezed below the size their content needs (`cramped`), cut off by the window or a parent
// without a way to scroll to them (`cut`), or covering one another without one holding the other
// (`overlapping`, in pairs).
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
  Json cramped = Json::array(), cut = Json::array(), overlapping = Json::array();
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
      .set("overlapping", std::move(overlapping));
}

Json rectJson(const QRect& r) {
  return rectJson(Rect{static_cast<float>(r.x()), static_cast<float>(r.y()), static_cast<float>(r.width()),
                       static_cast<float>(r.height())});
}
}  // namespace

void registerScreenAutomation(AutomationDriver& driver, const ScreenAutomation& ctx) {
  // First of the members: which screen is on top.
  driver.addStateMember("screen", [screens = ctx.screens]() -> Json {
    auto* main = screens->main();
    auto* top = screens->top();
    return !top || top == main ? "main" : top->layoutName == "History" ? "history" : "info";
  });
  // A control connected to the action of that name, or the widget of that name (a segue's button).
  driver.setControlTapper([screens = ctx.screens](const std::string& name) {
    auto* screen = screens->top();
    if (!screen) return Reply::fail("no screen");
    QWidget* w = screen->widgetForAction(name + ":");
    if (!w && screen->root) w = screen->root->findChild<QWidget*>(QString::fromStdString(name));
    auto* button = qobject_cast<QAbstractButton*>(w);
    if (!button) return Reply::fail("no control " + name + " on this screen");
    if (!button->isEnabled()) return Reply::fail("control " + name + " is disabled");
    button->click();
    return Reply::ok();
  });
  driver.addIdleCheck([screens = ctx.screens] { return !screens->transitioning(); });
  driver.addCommand("segment", [screens = ctx.screens](const QStringList& args) {
    bool ok = false;
    const int index = args.size() == 1 ? args[0].toInt(&ok) : 0;
    auto* screen = screens->top();
    auto* control = screen ? qobject_cast<SegmentedControlWidget*>(screen->widgetForAction("switcher:")) : nullptr;
    if (!ok) return Reply::fail("segment needs an index");
    if (!control) return Reply::fail("no map-type selector on this screen");
    if (index < -1 || index >= control->segments().size()) return Reply::fail("no segment " + std::to_string(index));
    control->choose(index);
    drainMainQueue();
    return Reply::ok();
  });
  driver.addCommand("lifecycle", [lifecycle = ctx.lifecycle](const QStringList& args) {
    static const std::map<QString, AppState> states{{"background", AppState::Background},
                                                    {"foreground", AppState::Inactive},
                                                    {"inactive", AppState::Inactive},
                                                    {"active", AppState::Active}};
    auto it = args.size() == 1 ? states.find(args[0]) : states.end();
    if (it == states.end()) return Reply::fail("lifecycle needs background, foreground, inactive or active");
    // Coming to the foreground ends active, as it does on a device.
    lifecycle->moveTo(it->second);
    if (args[0] == "foreground") lifecycle->moveTo(AppState::Active);
    drainMainQueue();
    return Reply::ok();
  });
  QtBannerService* banners = ctx.banners.get();
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
  driver.addTapTarget("banner", [ctx, banners](const std::vector<std::string>& args) -> std::string {
    if (!args.empty()) return "tap needs one control";
    if (ctx.screens->top() != ctx.screens->main()) return "the banner is covered";
    if (!banners->tapNewest()) return "the banner shows no advertisement";
    return {};
  });
  driver.addCommand("rotate", [ctx](const QStringList& args) {
    bool ok = false;
    const long orientation = args.size() == 1 ? args[0].toLong(&ok) : 0;
    if (!ok) return Reply::fail("rotate needs an orientation number");
    const bool allowed = ctx.screens->askToRotate(InterfaceOrientation{orientation});
    return Reply::with(Json::object().set("ok", true).set("allowed", allowed));
  });
  // Sets the window's size in pixels, as dragging its edges does.
  // Sets the window's size in pixels as dragging its corner would: within the window's least and
  // greatest size. Answers the size it got.
  driver.addCommand("resize", [ctx](const QStringList& args) {
    bool wide = false, high = false;
    const int width = args.size() == 2 ? args[0].toInt(&wide) : 0;
    const int height = args.size() == 2 ? args[1].toInt(&high) : 0;
    if (!wide || !high || width < 1 || height < 1) return Reply::fail("resize needs WIDTH HEIGHT in pixels");
    const QSize least = ctx.window->minimumSize(), most = ctx.window->maximumSize().boundedTo(QSize(4096, 4096));
    ctx.window->resize(std::clamp(width, least.width(), most.width()),
                       std::clamp(height, least.height(), most.height()));
    drainMainQueue();
    return Reply::with(
        Json::object().set("ok", true).set("size", Json(Json::Array{ctx.window->width(), ctx.window->height()})));
  });
  // The widget that has the keyboard focus, by object name; null when none has.
  driver.addStateMember("focus", []() -> Json {
    const QWidget* focus = QApplication::focusWidget();
    return focus ? Json(focus->objectName().toStdString()) : Json();
  });
  // How the top screen fits the window: its size classes and the widgets that do not fit.
  driver.addStateMember("fit", [ctx]() -> Json {
    const LoadedScreen* top = ctx.screens->top();
    return top && top->root ? fitJson(ctx.window, top->root) : Json();
  });
  // The window: its size and how the main screen is laid out in it ("portrait", or "side by side"
  // with the controls beside the map); its inside on the screen (in screen pixels), whether it has
  // the keyboard, and the main button's frame in window coordinates, which a test of the real
  // window needs to find the button in a picture of the whole screen.
  driver.addStateMember("window", [ctx]() -> Json {
    if (!ctx.window) return nullptr;
    const QRect inside(ctx.window->mapToGlobal(QPoint(0, 0)), ctx.window->size());
    auto* main = ctx.screens->main();
    QAbstractButton* button = nullptr;  // the one the main button's action is connected to
    if (main && main->root)
      for (auto* b : main->root->findChildren<QAbstractButton*>())
        if (b->property("action").toString() == "button:") button = b;
    const bool sideBySide = main && main->root && main->root->property("wide").toBool();
    return Json::object()
        .set("size", Json(Json::Array{ctx.window->width(), ctx.window->height()}))
        .set("layout", sideBySide ? "side by side" : "portrait")
        .set("frame", rectJson(inside))
        .set("active", ctx.window->isActiveWindow())
        .set("button", button ? rectJson(QRect(button->mapTo(ctx.window, QPoint(0, 0)), button->size())) : Json());
  });
  driver.addStateMember("banner", [ctx, banners]() -> Json {
    auto banner = banners->newest();
    if (!banner || !widgetOf(banner.get())) return nullptr;
    const std::string id = banner->currentContentSizeIdentifier();
    Json identifier;
    if (id == ADBannerContentSizeIdentifierPortrait)
      identifier = "portrait";
    else if (id == ADBannerContentSizeIdentifierLandscape)
      identifier = "landscape";
    auto* main = ctx.screens->main();
    const bool inView = main && main->root && widgetOf(banner.get())->parentWidget() == main->root;
    return Json::object()
        .set("frame", rectJson(banner->frame()))
        .set("loaded", banner->isBannerLoaded())
        .set("identifier", std::move(identifier))
        .set("inView", inView);
  });
}

}  // namespace storm::qt
