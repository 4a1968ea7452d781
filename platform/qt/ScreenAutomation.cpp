// Automation commands and state for the banner, rotation, the window's size and the information
// screen.

#include <QAbstractButton>
#include <QCoreApplication>

#include "platform/qt/AutomationDriver.h"
#include "platform/qt/BannerView.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/QtViews.h"
#include "platform/qt/ScreenStack.h"

namespace storm::qt {

namespace {
Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }
Json rectJson(const QRect& r) {
  return rectJson(Rect{static_cast<float>(r.x()), static_cast<float>(r.y()), static_cast<float>(r.width()),
                       static_cast<float>(r.height())});
}
}  // namespace

void registerScreenAutomation(AutomationDriver& driver, const AutomationContext& ctx) {
  QtBannerService* banners = ctx.services->banners.get();
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
  driver.addCommand("resize", [ctx](const QStringList& args) {
    bool wide = false, high = false;
    const int width = args.size() == 2 ? args[0].toInt(&wide) : 0;
    const int height = args.size() == 2 ? args[1].toInt(&high) : 0;
    if (!wide || !high || width < 240 || height < 320 || width > 4096 || height > 4096)
      return Reply::fail("resize needs WIDTH HEIGHT in pixels, from 240 320 to 4096 4096");
    ctx.window->resize(width, height);
    drainMainQueue();
    return Reply::ok();
  });
  // The window on the screen (its inside, in screen pixels), whether it has the keyboard, and the
  // main button's frame in window coordinates: what a test of the real window needs to find the
  // button in a picture of the whole screen.
  driver.addStateMember("window", [ctx]() -> Json {
    if (!ctx.window) return nullptr;
    const QRect inside(ctx.window->mapToGlobal(QPoint(0, 0)), ctx.window->size());
    auto* main = ctx.screens->main();
    QAbstractButton* button = nullptr;  // the one the main button's action is connected to
    if (main && main->root)
      for (auto* b : main->root->findChildren<QAbstractButton*>())
        if (b->property("action").toString() == "button:") button = b;
    return Json::object()
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
