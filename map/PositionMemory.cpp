#include "map/PositionMemory.h"

#include <cmath>

#include "map/GeoMath.h"

namespace storm {

namespace {

bool onEarth(double latitude, double longitude) {
  return std::isfinite(latitude) && std::isfinite(longitude) && std::abs(latitude) <= 90 && std::abs(longitude) <= 180;
}

// Good enough for "has it moved 100 m": flat ground around `a`.
double metresBetween(CLLocationCoordinate2D a, CLLocationCoordinate2D b) {
  double dLon = std::abs(a.longitude - b.longitude);
  if (dLon > 180) dLon = 360 - dLon;
  return std::hypot((a.latitude - b.latitude) * geo::metersPerDegreeLatitude(a.latitude),
                    dLon * geo::metersPerDegreeLongitude(a.latitude));
}

}  // namespace

PositionMemory::PositionMemory(std::shared_ptr<Preferences> settings, std::shared_ptr<UserPosition> position)
    : settings_(std::move(settings)), position_(std::move(position)) {}

std::vector<PreferenceKey> PositionMemory::settingKeys() {
  return {{kLastLatitudeKey, PreferenceType::Double}, {kLastLongitudeKey, PreferenceType::Double}};
}

std::optional<CLLocationCoordinate2D> PositionMemory::remembered() const {
  if (!settings_ || !settings_->containsKey(kLastLatitudeKey) || !settings_->containsKey(kLastLongitudeKey))
    return std::nullopt;
  const CLLocationCoordinate2D place{settings_->doubleForKey(kLastLatitudeKey),
                                     settings_->doubleForKey(kLastLongitudeKey)};
  if (!onEarth(place.latitude, place.longitude)) return std::nullopt;
  return place;
}

void PositionMemory::start() {
  if (!position_) return;
  kept_ = remembered();
  std::optional<CLLocationCoordinate2D> open = position_->position();
  if (open)
    keep(*open);
  else if (kept_)
    position_->restore(*kept_);
  if (!open) open = kept_;
  if (open) position_->showAround(*open, kOpeningViewMetres);
  position_->setObserver([weak = weak_from_this()](CLLocationCoordinate2D place, UserPosition::Origin origin) {
    if (auto self = weak.lock()) self->heard(place, origin);
  });
}

void PositionMemory::heard(CLLocationCoordinate2D place, UserPosition::Origin origin) {
  if (!onEarth(place.latitude, place.longitude)) return;
  // The first position ever known opens the map around it, as a kept one does at start.
  if (!kept_ && origin == UserPosition::Origin::Fix && position_) position_->showAround(place, kOpeningViewMetres);
  // A moving source gives a fix a second; the file changes only when the user has really moved.
  if (origin == UserPosition::Origin::Fix && kept_ && metresBetween(*kept_, place) < kRememberAfterMetres) return;
  keep(place);
}

void PositionMemory::keep(CLLocationCoordinate2D place) {
  kept_ = place;
  if (!settings_) return;
  settings_->setDouble(place.latitude, kLastLatitudeKey);
  settings_->setDouble(place.longitude, kLastLongitudeKey);
  settings_->synchronize();
}

}  // namespace storm
