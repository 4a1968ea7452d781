#include "map/PositionMemory.h"

#include <cmath>

#include "map/GeoMath.h"

namespace storm {

namespace {

bool onEarth(double latitude, double longitude) {
  return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90 && std::abs(longitude) <= 180;
}

// Good enough for "has it moved 100 m": flat ground around `a`.
double metresBetween(GeoPoint a, GeoPoint b) {
  double dLon = std::abs(a.longitude - b.longitude);
  if (dLon > 180) dLon = 360 - dLon;
  return std::hypot((a.latitude - b.latitude) * geo::metersPerDegreeLatitude(a.latitude),
                    dLon * geo::metersPerDegreeLongitude(a.latitude));
}

}  // namespace

PositionMemory::PositionMemory(std::shared_ptr<Preferences> settings, std::shared_ptr<UserPosition> position,
                               std::shared_ptr<const Clock> clock)
    : settings_(std::move(settings)), position_(std::move(position)), clock_(std::move(clock)) {}

std::vector<PreferenceKey> PositionMemory::settingKeys() {
  return {{kLastLatitudeKey, PreferenceType::Double},
          {kLastLongitudeKey, PreferenceType::Double},
          {kLastPositionTimeKey, PreferenceType::Double}};
}

std::optional<GeoPoint> PositionMemory::remembered() const {
  if (!settings_ || !settings_->containsKey(kLastLatitudeKey) || !settings_->containsKey(kLastLongitudeKey))
    return std::nullopt;
  const GeoPoint place{settings_->doubleForKey(kLastLatitudeKey), settings_->doubleForKey(kLastLongitudeKey)};
  if (!onEarth(place.latitude, place.longitude)) return std::nullopt;
  return place;
}

double PositionMemory::rememberedTime() const {
  if (!settings_ || !settings_->containsKey(kLastPositionTimeKey)) return 0;
  const double time = settings_->doubleForKey(kLastPositionTimeKey);
  return std::isfinite(time) && time > 0 ? time : 0;
}

void PositionMemory::start() {
  if (!position_) return;
  kept_ = remembered();
  keptTime_ = kept_ ? rememberedTime() : 0;
  // A position known at launch that is not the kept one (a fix, or one given on the command line).
  const std::optional<PositionReport> known = position_->report();
  std::optional<GeoPoint> open;
  if (known && known->source != PositionSource::Remembered) open = known->coordinate;
  if (open)
    keep(*open);
  else if (kept_)
    position_->restore(*kept_, keptTime_);
  if (!open) open = kept_;
  if (open) position_->showAround(*open, kOpeningViewMetres);
  position_->setObserver([weak = weak_from_this()](GeoPoint place, UserPosition::Origin origin) {
    if (auto self = weak.lock()) self->heard(place, origin);
  });
}

void PositionMemory::heard(GeoPoint place, UserPosition::Origin origin) {
  if (!onEarth(place.latitude, place.longitude)) return;
  // The first position ever known opens the map around it, as a kept one does at start.
  if (!kept_ && origin == UserPosition::Origin::Fix && position_) position_->showAround(place, kOpeningViewMetres);
  // A source gives a fix a second; the file changes only when the user has really moved, or now and
  // then to say they are still there.
  if (origin == UserPosition::Origin::Fix && kept_ && metresBetween(*kept_, place) < kRememberAfterMetres &&
      now() - keptTime_ < kRememberAfterSeconds)
    return;
  keep(place);
}

double PositionMemory::now() const { return clock_ ? clock_->now() : 0; }

void PositionMemory::keep(GeoPoint place) {
  kept_ = place;
  keptTime_ = now();
  if (!settings_) return;
  settings_->setDouble(place.latitude, kLastLatitudeKey);
  settings_->setDouble(place.longitude, kLastLongitudeKey);
  if (keptTime_ > 0) settings_->setDouble(keptTime_, kLastPositionTimeKey);
  settings_->synchronize();
}

}  // namespace storm
