// Automation commands of the strike log: read it, clear it, export it; and `settle` waits for its
// writes.

#include <charconv>

#include "automation/qt/AutomationDriver.h"
#include "app/QtPlatform.h"
#include "storm/qt/SqliteStrikeStore.h"

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
    out.set("lat", s.position->latitude).set("lon", s.position->longitude).set("accuracy", s.position->accuracy);
  else
    out.set("lat", nullptr).set("lon", nullptr).set("accuracy", 0);
  return out;
}

}  // namespace

void registerStrikeAutomation(AutomationDriver& driver, const AutomationContext& ctx) {
  const std::shared_ptr<SqliteStrikeStore> store = ctx.services->strikes;
  if (!store) return;
  // The worker that writes never waits for the main thread, so waiting here ends.
  driver.addCommand("strikes", [store](const QStringList& args) {
    if (args.isEmpty()) {
      Json list = Json::array();
      for (const Strike& s : store->allStrikesNow()) list.push(strikeJson(s));
      return Reply::with(Json::object().set("strikes", std::move(list)));
    }
    if (args.size() == 1 && args[0] == "clear")
      return store->clearNow() ? Reply::ok() : Reply::fail("the strike log could not be cleared");
    if (args.size() >= 2 && args[0] == "export") {
      // The path is the rest of the line, spaces included.
      const QString path = args.mid(1).join(' ');
      return store->exportNow(path) ? Reply::ok() : Reply::fail("cannot write " + path.toStdString());
    }
    return Reply::fail("strikes takes nothing, clear, or export PATH");
  });
  driver.addIdleCheck([weak = std::weak_ptr(store)] {
    auto s = weak.lock();
    return !s || s->idle();
  });
}

}  // namespace storm::qt
