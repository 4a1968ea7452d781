// What the main screen shows to the automation mode: its labels, button, selector, map and
// frames as members of the `state` answer.

#include "kit/Nil.h"
#include "screens/MainViewController.h"

namespace storm {

namespace {

Json rectJson(const Rect& r) { return Json(Json::Array{r.x, r.y, r.width, r.height}); }

Json mapJson(MKMapView& map) {
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
      .set("frame", rectJson(map.frameInWindow()))  // in window coordinates, for screenshots
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

}  // namespace

void MainViewController::registerAutomation(AutomationRegistry& automation) {
  const std::weak_ptr<MainViewController> weak = std::static_pointer_cast<MainViewController>(shared_from_this());
  // Each member reads the screen afresh; null where the screen or the view is gone.
  auto member = [weak](auto read) {
    return [weak, read]() -> Json {
      auto self = weak.lock();
      return self ? read(*self) : Json();
    };
  };
  auto labelText = [](const std::shared_ptr<Label>& label) { return label ? Json(label->text()) : Json(); };
  automation.addStateMember("time", member([labelText](MainViewController& c) { return labelText(c.time()); }));
  automation.addStateMember("dist", member([labelText](MainViewController& c) { return labelText(c.dist()); }));
  automation.addStateMember("button", member([](MainViewController& c) {
                              auto button = c.buttonP();
                              return button ? Json(button->title(ControlStateNormal)) : Json();
                            }));
  automation.addStateMember("phase",
                            member([](MainViewController& c) { return Json(c.stopwatch_->measurementPhase); }));
  automation.addStateMember("segment", member([](MainViewController& c) {
                              auto segments = c.switcher();
                              return segments ? Json(segments->selectedSegmentIndex()) : Json();
                            }));
  automation.addStateMember("map", member([](MainViewController& c) {
                              auto map = c.mapView();
                              return map ? mapJson(*map) : Json();
                            }));
  automation.addStateMember(
      "view", member([](MainViewController& c) {
        auto view = c.view();
        if (!view) return Json();
        return Json::object().set("frame", rectJson(view->frame())).set("bounds", rectJson(view->bounds()));
      }));
  automation.addStateMember("content", member([](MainViewController& c) {
                              auto content = c.contentView();
                              return content ? Json::object().set("frame", rectJson(content->frame())) : Json();
                            }));
}

}  // namespace storm
