// Automation commands and state for the banner, rotation and the information screen.

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
