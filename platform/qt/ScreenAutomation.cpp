// Automation commands and state for the banner, rotation, the window's size and the information screen.

#include <QCoreApplication>

#include "platform/qt/AutomationDriver.h"
#include "platform/qt/BannerView.h"
#include "platform/qt/QtPlatform.h"
#include "platform/qt/QtViews.h"
#include "platform/qt/ScreenStack.h"

namespace storm::qt {

namespace {
Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }
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
  // The window's size in pixels, as the user drags it (for screenshots at phone and desktop sizes).
  driver.addCommand("resize", [ctx](const QStringList& args) {
    bool wide = false, tall = false;
    const int width = args.size() == 2 ? args[0].toInt(&wide) : 0;
    const int height = args.size() == 2 ? args[1].toInt(&tall) : 0;
    if (!wide || !tall || width < 1 || height < 1 || width > 10000 || height > 10000)
      return Reply::fail("resize needs WIDTH HEIGHT in pixels");
    ctx.window->resize(width, height);
    drainMainQueue();
    return Reply::ok();
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
