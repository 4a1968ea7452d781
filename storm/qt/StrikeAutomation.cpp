// Automation of the storm's Qt parts: the strike log (read it, clear it, export it; `settle` waits
// for its writes) and the storm's layer of the map.

#include <charconv>
#include <optional>

#include "storm/StormWatch.h"
#include "storm/qt/SqliteStrikeStore.h"
#include "storm/qt/StormAutomationQt.h"
#include "storm/qt/StormLayer.h"
#include "storm/qt/StrikeCsv.h"

namespace storm::qt {

namespace {

// The number as the log's text gives it, so that a float-valued delay reads as the label showed it.
Json floatNumber(double value) {
  const std::string text = strikeNumberText(value, true);
  double parsed = value;
  std::from_chars(text.data(), text.data() + text.size(), parsed);
  return Json(parsed);
}

Json strikeJson(const Strike& s) {
  Json out = Json::object()
                 .set("time", s.time)
                 .set("delay", floatNumber(s.delay))
                 .set("km", floatNumber(s.km))
                 .set("speed", s.speed);
  if (s.position)
    out.set("lat", s.position->latitude)
        .set("lon", s.position->longitude)
        .set("accuracy", s.position->accuracy)
        .set("source", s.position->source.empty() ? Json() : Json(s.position->source));
  else
    out.set("lat", nullptr).set("lon", nullptr).set("accuracy", 0).set("source", nullptr);
  // The direction of the flash, and the point it places the strike at.
  const bool placed = s.bearing && s.bearing->placed;
  out.set("bearing", s.bearing ? Json(s.bearing->degrees) : Json())
      .set("strikeLat", placed ? Json(s.bearing->placed->latitude) : Json())
      .set("strikeLon", placed ? Json(s.bearing->placed->longitude) : Json());
  return out;
}

}  // namespace

void registerStormMapAutomation(AutomationDriver& driver, std::shared_ptr<StormLayer> layer) {
  driver.addStateMember("stormMap", [weak = std::weak_ptr(layer)]() -> Json {
    auto layer = weak.lock();
    if (!layer) return nullptr;
    Json rings = Json::array();
    for (const StrikeRing& ring : layer->strikeRings())
      rings.push(Json::object()
                     .set("lat", ring.center.latitude)
                     .set("lon", ring.center.longitude)
                     .set("km", ring.km)
                     .set("opacity", ring.opacity));
    Json marks = Json::array();
    for (const StrikeMark& mark : layer->trackLayer().marks())
      marks.push(Json::object()
                     .set("lat", mark.from.latitude)
                     .set("lon", mark.from.longitude)
                     .set("bearing", mark.bearing)
                     .set("km", mark.km)
                     .set("opacity", mark.opacity)
                     .set("setAside", mark.setAside));
    Json arrow;
    if (const std::optional<TrackPicture>& t = layer->trackLayer().track()) {
      auto point = [](GeoPoint c) { return Json::array().push(Json(c.latitude)).push(Json(c.longitude)); };
      arrow = Json::object()
                  .set("from", point(t->centre))
                  .set("to", point(t->ahead))
                  .set("spreadDeg", t->spreadDegrees)
                  .set("closest", t->closest ? point(*t->closest) : Json());
    }
    const StormPanel panel = layer->stormPanel();
    auto line = [](const std::string& text) { return text.empty() ? Json() : Json(text); };
    return Json::object()
        .set("rings", std::move(rings))
        .set("marks", std::move(marks))
        .set("arrow", std::move(arrow))
        .set("asking", layer->askingBearing())
        .set("circlePast", layer->circlePast())
        .set("panel", Json::object()
                          .set("trend", line(panel.trend))
                          .set("shelter", line(panel.shelter))
                          .set("countdown", line(panel.countdown))
                          .set("clear", line(panel.clear))
                          .set("age", line(panel.age))
                          .set("note", line(panel.note))
                          .set("track", line(panel.track))
                          .set("course", line(panel.course))
                          .set("undo", panel.undo)
                          .set("showStorm", panel.showStorm));
  });
  // "Show the storm", as its button on the map's panel does.
  driver.addTapTarget("showStorm", [weak = std::weak_ptr(layer)](const std::vector<std::string>& args) -> std::string {
    if (!args.empty()) return "tap needs one control";
    auto layer = weak.lock();
    if (!layer || !layer->showStorm()) return "no storm to show";
    return {};
  });
}

void registerStrikeAutomation(AutomationDriver& driver, std::shared_ptr<SqliteStrikeStore> store,
                              std::shared_ptr<StormWatch> watch) {
  if (!store) return;
  // Through the storm's watch, so that the storm follows the log: the answer when the log's is in.
  auto throughWatch = [watch](void (StormWatch::*operation)(std::function<void(bool)>)) {
    std::optional<bool> answer;
    if (watch) ((*watch).*operation)([&answer](bool ok) { answer = ok; });
    return watch && runUntil([&answer] { return answer.has_value(); }) && *answer;
  };
  // The worker that writes never waits for the main thread, so waiting here ends.
  driver.addCommand("strikes", [store, throughWatch, &driver](const QStringList& args) {
    if (args.isEmpty()) {
      Json list = Json::array();
      bool complete = false;
      for (const Strike& s : store->allStrikesNow(&complete)) list.push(strikeJson(s));
      Json reply = Json::object().set("strikes", std::move(list)).set("complete", complete);
      // A list that is not the whole log says so.
      if (!complete)
        reply.set("note",
                  Json(std::string("the strike log cannot be read now; only the strikes this run knows are listed")));
      return Reply::with(std::move(reply));
    }
    if (args.size() == 1 && args[0] == "clear")
      return throughWatch(&StormWatch::clear) ? Reply::ok() : Reply::fail("the strike log could not be cleared");
    if (args.size() == 1 && args[0] == "undo") {
      // The log's newest strike, as the watch knows it.
      return throughWatch(&StormWatch::undo) ? Reply::ok() : Reply::fail("there is no strike to undo");
    }
    if (args.size() >= 2 && args[0] == "export") {
      // The path is the rest of the line as it stands, spaces and bytes that are no text included.
      const std::string problem = store->exportNow(driver.restOfLineBytes(1));
      return problem.empty() ? Reply::ok() : Reply::fail(problem);
    }
    return Reply::fail("strikes takes nothing, clear, or export PATH");
  });
  driver.addIdleCheck([weak = std::weak_ptr(store)] {
    auto s = weak.lock();
    return !s || s->idle();
  });
}

}  // namespace storm::qt
