#include "storm/qt/StormAutomation.h"

#include <algorithm>
#include <charconv>
#include <limits>

#include "storm/Shelter.h"
#include "storm/SpeedOfSound.h"
#include "storm/Bearing.h"
#include "storm/StormJudgment.h"

namespace storm {

namespace {

// The whole word as a number, in any locale; nothing for anything else.
std::optional<double> numberFrom(const std::string& word) {
  double value = 0;
  const char* end = word.data() + word.size();
  const auto [stop, ec] = std::from_chars(word.data(), end, value);
  if (ec != std::errc{} || stop != end || word.empty()) return std::nullopt;
  return value;
}

// Why a claim is withheld, or null when it is made.
Json reasonJson(const std::string& reason) { return reason.empty() ? Json() : Json(reason); }

Json trendJson(const StormJudgment& judged) {
  if (!judged.trend) return Json();
  const Trend& t = *judged.trend;
  return Json::object()
      .set("direction", directionName(t.direction))
      .set("kmPerMinute", t.kmPerMinute)
      .set("minutesTo10km", t.minutesTo10km ? Json(*t.minutesTo10km) : Json())
      .set("reason", reasonJson(judged.trendReason));
}

Json trackJson(const StormJudgment& judged) {
  if (!judged.track) return Json();
  const Track& t = *judged.track;
  Json setAside = Json::array();
  for (double time : t.setAside) setAside.push(Json(time));
  return Json::object()
      .set("direction", trackDirectionName(t.direction))
      .set("speedKmh", t.speedKmh)
      .set("headingDeg", t.headingDegrees)
      .set("lat", t.centre.latitude)
      .set("lon", t.centre.longitude)
      .set("closestKm", t.closestKm ? Json(*t.closestKm) : Json())
      .set("closestInMinutes", t.closestInMinutes ? Json(*t.closestInMinutes) : Json())
      .set("closestErrorKm", t.closestKm ? Json(t.closestErrorKm) : Json())
      .set("setAside", std::move(setAside))
      .set("reason", reasonJson(judged.trackReason));
}

Json cellsJson(const StormJudgment& judged) {
  Json cells = Json::array();
  for (const StormCell& c : judged.cells)
    cells.push(Json::object()
                   .set("km", c.km)
                   .set("bearing", c.bearingDegrees ? Json(*c.bearingDegrees) : Json())
                   .set("strikes", c.strikes));
  return cells;
}

Json stormJson(const StormAutomation& storm) {
  const double now = storm.clock->now();
  const StrikeStore* store = storm.watch ? storm.watch->strikes().get() : nullptr;
  // The longest look back any rule takes: the countdown after a close strike.
  const RecentStrikes strikes = store ? store->recent(now - kShelterSeconds - kCloseDelaySeconds) : RecentStrikes{};
  const RecentStrikes lastHalfHour = store ? store->recent(now - kTrackWindowSeconds) : RecentStrikes{};
  const std::optional<PositionReport> position = storm.position ? storm.position->report() : std::nullopt;
  const StormJudgment judged =
      judgeStorm(lastHalfHour, position ? std::optional(position->coordinate) : std::nullopt, now);
  const ShelterStatus shelter = shelterAt(strikes, now);
  const std::optional<Strike> last =
      storm.watch ? storm.watch->newest(std::numeric_limits<double>::infinity()) : std::nullopt;
  Json notified = Json::array();
  if (storm.watch)
    for (const std::string& text : storm.watch->notified()) notified.push(Json(text));
  return Json::object()
      .set("positionKnown", position.has_value())
      .set("position",
           position ? Json::object()
                          .set("lat", position->coordinate.latitude)
                          .set("lon", position->coordinate.longitude)
                          .set("accuracy", position->accuracy)
                          .set("source", positionSourceName(position->source))
                          .set("age", position->time > 0 ? Json(std::max(0.0, now - position->time)) : Json())
                    : Json())
      .set("trend", trendJson(judged))
      .set("track", trackJson(judged))
      .set("cells", cellsJson(judged))
      .set("shelter", shelter.shelter)
      .set("allClearIn", shelter.allClearIn ? Json(*shelter.allClearIn) : Json())
      .set("notified", std::move(notified))
      .set("lastStrikeAgo", last ? Json(now - last->time) : Json());
}

}  // namespace

void registerStormAutomation(AutomationRegistry& automation, StormAutomation storm) {
  automation.addStateMember("storm", [storm] { return stormJson(storm); });
  automation.addCommand("bearing", [watch = storm.watch, &automation](const std::vector<std::string>& args) {
    AutomationRegistry::Answer answer;
    const std::optional<double> degrees = args.size() == 1 ? numberFrom(args[0]) : std::nullopt;
    if (!degrees || !(*degrees >= 0 && *degrees < 360)) {
      answer.error = "bearing needs degrees clockwise from true north, from 0 up to 360";
      return answer;
    }
    const std::optional<Strike> newest =
        watch ? watch->newest(std::numeric_limits<double>::infinity()) : std::nullopt;
    if (!newest) {
      answer.error = "there is no strike to give a bearing";
      return answer;
    }
    // The answer once the log has it: in its file, or in its journal until the file takes it.
    auto kept = std::make_shared<std::optional<bool>>();
    watch->setBearing(*newest, *degrees, BearingSource::Typed, [kept](bool ok) { *kept = ok; });
    if (!automation.waitUntil([kept] { return kept->has_value(); }) || !**kept) {
      answer.error = "the direction could not be saved";
      return answer;
    }
    answer.value = Json::object().set("ok", true).set("bearing", *degrees);
    return answer;
  });
  automation.addCommand("temperature", [settings = storm.settings](const std::vector<std::string>& args) {
    AutomationRegistry::Answer answer;
    if (!settings) {
      answer.error = "there are no settings to keep a temperature in";
      return answer;
    }
    if (args.size() == 1 && args[0] == "standard") {
      setAirTemperature(*settings, std::nullopt);
      answer.value = Json::object().set("ok", true);
      return answer;
    }
    const std::optional<double> celsius = args.size() == 1 ? numberFrom(args[0]) : std::nullopt;
    if (!celsius || !setAirTemperature(*settings, *celsius)) {
      answer.error = "temperature needs standard or degrees Celsius from -40 to 50";
      return answer;
    }
    answer.value = Json::object().set("ok", true);
    return answer;
  });
}

}  // namespace storm
