// Automation commands and state for the banner, rotation and the information screen.

#include <QCoreApplication>

#include "platform/qt/AppContext.h"
#include "platform/qt/AutomationDriver.h"
#include "platform/qt/BannerView.h"
#include "platform/qt/QtViews.h"

namespace storm::qt {

namespace {
Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }
}  // namespace

void registerScreenCommands(AutomationDriver& driver, AppContext& ctx) {
  driver.addCommand("banner", [&ctx](const QStringList& args) {
    if (args.size() == 1 && args[0] == "load") ctx.banners->forceLoad();
    else if (args.size() == 1 && args[0] == "fail") ctx.banners->forceFailure();
    else return Reply::fail("banner needs load or fail");
    drainMainQueue();
    return Reply::ok();
  });
  // "tap banner" is looked up as its own command by `tap`.
  driver.addCommand("tap banner", [&ctx](const QStringList&) {
    if (ctx.screens->top() != ctx.screens->main()) return Reply::fail("the banner is covered");
    if (!ctx.banners->tapNewest()) return Reply::fail("the banner shows no advertisement");
    drainMainQueue();
    return Reply::ok();
  });
  driver.addCommand("rotate", [&ctx](const QStringList& args) {
    bool ok = false;
    const long orientation = args.size() == 1 ? args[0].toLong(&ok) : 0;
    if (!ok) return Reply::fail("rotate needs an orientation number");
    return Reply::with(Json::object().set("ok", true).set("allowed", ctx.screens->askToRotate(orientation)));
  });
  driver.addStateMember("banner", [&ctx]() -> Json {
    auto banner = ctx.banners->newest();
    if (!banner || !widgetOf(banner.get())) return nullptr;
    const std::string id = banner->currentContentSizeIdentifier();
    Json identifier;
    if (id == ADBannerContentSizeIdentifierPortrait) identifier = "portrait";
    else if (id == ADBannerContentSizeIdentifierLandscape) identifier = "landscape";
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
