#include "storm/StormWatch.h"

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
  Strike strike;
  strike.time = measurement.flash;
  strike.delay = static_cast<double>(measurement.seconds);
  strike.km = static_cast<double>(measurement.distance.kilometres);
  strike.speed = measurement.speed;
  if (services_.position)
    if (const std::optional<CLLocationCoordinate2D> place = services_.position->position())
      strike.position = StrikePosition{place->latitude, place->longitude, services_.position->accuracy()};
  // The store only queues the write, so nothing here waits for the disk.
  if (services_.strikes) services_.strikes->append(strike);
  // The map's circle now stands for this strike, if it was measured somewhere.
  if (strike.position) circleStrike_ = strike.time;
  strikeRecorded(strike);
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

void StormWatch::addObserver(std::function<void()> changed) {
  if (changed) observers_.push_back(std::move(changed));
}

void StormWatch::tell() {
  // An observer may add another while being told.
  const auto observers = observers_;
  for (const auto& changed : observers) changed();
}

}  // namespace storm
