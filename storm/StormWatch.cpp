#include "storm/StormWatch.h"

#include <algorithm>
#include <cmath>

#include "map/GeoMath.h"
#include "storm/Bearing.h"

namespace storm {

StormWatch::StormWatch(Services services)
    : services_(std::move(services)), countdown_(services_.clock, services_.timers) {
  countdown_.allClear = [this] { countdownEnded(); };
}

void StormWatch::start() {
  feed();
  if (!services_.strikes) return;
  services_.strikes->afterReadBack([weak = weak_from_this()] {
    if (auto self = weak.lock()) {
      self->feed();
      self->tell();
    }
  });
}

void StormWatch::feed() {
  if (!services_.strikes) return;
  // The countdown takes what is new to it and ignores what it already knows or what is too old.
  for (const Strike& strike :
       services_.strikes->recent(services_.clock->now() - kShelterSeconds - kCloseDelaySeconds))
    countdown_.strikeRecorded(strike);
}

void StormWatch::measured(const Measurement& measurement) {
  // Two presses in a row are a slip of the finger: shown as any stop is, but kept out of the log,
  // where a 0 km strike would call for shelter and skew the trend.
  if (measurement.seconds < kSlipSeconds) {
    slipAt_ = services_.clock->now();
    loggedAt_.reset();
    tell();
    return;
  }
  Strike strike;
  strike.time = measurement.flash;
  strike.delay = static_cast<double>(measurement.seconds);
  strike.km = static_cast<double>(measurement.distance.kilometres);
  strike.speed = measurement.speed;
  if (services_.position)
    if (const std::optional<PositionReport> place = services_.position->report()) {
      const GeoPoint at = onTheGlobe(place->coordinate);
      strike.position =
          StrikePosition{at.latitude, at.longitude, knownAccuracy(place->accuracy), positionSourceName(place->source)};
    }
  // The store only queues the write, so nothing here waits for the disk.
  if (services_.strikes) services_.strikes->append(strike);
  // The map's circle now stands for this strike, if it was measured somewhere.
  if (strike.position) circleStrike_ = strike.time;
  loggedAt_ = services_.clock->now();
  slipAt_.reset();
  strikeRecorded(strike);
}

void StormWatch::setTiming(bool timing) {
  if (timing == timing_) return;
  timing_ = timing;
  tell(false);
}

std::optional<Strike> StormWatch::newest(double seconds) const {
  if (!services_.strikes) return std::nullopt;
  // A strike dated after now (a clock set back since, within the skew the log lets through) has not
  // happened yet: it is no one's newest strike, and the next flash's direction is not its.
  const double now = services_.clock->now();
  std::optional<Strike> out;
  for (const Strike& s : services_.strikes->recent(now - seconds))
    if (s.time <= now && (!out || s.time > out->time)) out = s;
  return out;
}

void StormWatch::undo(std::function<void(bool)> done) {
  if (!services_.strikes) {
    if (done) done(false);
    return;
  }
  // The log's newest strike, read behind every write queued before.
  services_.strikes->readPage(0, 1, [weak = weak_from_this(), done = std::move(done)](StrikePage page) {
    auto self = weak.lock();
    if (!self || page.strikes.empty()) {
      if (done) done(false);
      return;
    }
    self->remove(page.strikes.front().time, done);
  });
}

void StormWatch::remove(double time, std::function<void(bool)> done) {
  if (!services_.strikes) {
    if (done) done(false);
    return;
  }
  services_.strikes->remove(time, [weak = weak_from_this(), done = std::move(done)](bool removed) {
    if (auto self = weak.lock()) self->logChanged();
    if (done) done(removed);
  });
}

void StormWatch::setBearing(const Strike& strike, std::optional<double> degrees, BearingSource source,
                            std::function<void(bool)> done) {
  if (!services_.strikes) {
    if (done) done(false);
    return;
  }
  std::optional<StrikeBearing> bearing;
  if (degrees) {
    bearing = StrikeBearing{};
    // To the millionth of a degree, as the export writes it: finer than that a direction says
    // nothing a person could point, and the log keeps nothing it could not show.
    bearing->degrees = normalizedBearing(std::round(*degrees * 1e6) / 1e6);
    bearing->source = source;
    if (strike.position)
      bearing->placed = onTheGlobe(geo::destination({strike.position->latitude, strike.position->longitude},
                                                    bearing->degrees, strike.km * 1000.0));
  }
  // A direction changes where the storm is drawn, not what was heard: the countdown, the all-clear
  // and the offer to undo stay as they are.
  services_.strikes->setBearing(strike.time, bearing, [weak = weak_from_this(), done = std::move(done)](bool kept) {
    if (auto self = weak.lock()) self->tell();
    if (done) done(kept);
  });
}

void StormWatch::clear(std::function<void(bool)> done) {
  if (!services_.strikes) {
    if (done) done(false);
    return;
  }
  services_.strikes->clear([weak = weak_from_this(), done = std::move(done)](bool cleared) {
    if (auto self = weak.lock()) cleared ? self->logCleared() : self->logChanged();
    if (done) done(cleared);
  });
}

void StormWatch::logCleared() {
  // Wiping the record does not take the danger away: a call to shelter keeps its countdown to the
  // all-clear. Nothing is left to undo or to draw.
  loggedAt_.reset();
  circleStrike_.reset();
  tell();
}

void StormWatch::setLogNotice(std::string notice) {
  logNotice_ = std::move(notice);
  tell();
}

void StormWatch::logChanged() {
  refeed();
  tell();
}

void StormWatch::refeed() {
  // A countdown for a strike that is gone, and the all-clear it would bring, go with it.
  countdown_.reset();
  allClear_ = false;
  loggedAt_.reset();
  feed();
  if (circleStrike_) {
    const RecentStrikes since = services_.strikes ? services_.strikes->recent(*circleStrike_) : RecentStrikes{};
    if (std::none_of(since.begin(), since.end(), [this](const Strike& s) { return s.time == *circleStrike_; }))
      circleStrike_.reset();
  }
}

void StormWatch::strikeRecorded(const Strike& strike) {
  allClear_ = false;
  countdown_.strikeRecorded(strike);
  tell();
}

std::string StormWatch::localized(const char* key) const {
  return services_.locale ? services_.locale->localizedString(key) : key;
}

void StormWatch::countdownEnded() {
  allClear_ = true;
  const std::string summary = localized("All clear");
  const std::string body = localized("No thunder within 10 km for the last 30 minutes.");
  notified_.push_back(summary + ". " + body);
  if (services_.notifier) services_.notifier->notify(summary, body);
  tell();
}

void StormWatch::addObserver(std::function<void(bool)> changed) {
  if (changed) observers_.push_back(std::move(changed));
}

void StormWatch::tell(bool storm) {
  // An observer may add another while being told.
  const auto observers = observers_;
  for (const auto& changed : observers) changed(storm);
}

}  // namespace storm
