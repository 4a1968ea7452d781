#include "map/qt/QtUserPosition.h"

#include "map/qt/MapModel.h"

namespace storm::qt {

void QtUserPosition::attach(MapModel* map) {
  map_ = map;
  if (!map) return;
  QObject::connect(map, &MapModel::userLocationHeard, map, [this](double latitude, double longitude, bool byUser) {
    if (observer_) observer_({latitude, longitude}, byUser ? Origin::SetByUser : Origin::Fix);
  });
  if (restored_) map->restoreUserLocation(*restored_);
  if (view_) map->showAround(view_->first, view_->second);
  restored_.reset();
  view_.reset();
}

std::optional<CLLocationCoordinate2D> QtUserPosition::position() const {
  return map_ ? map_->userLocation() : restored_;
}

double QtUserPosition::accuracy() const { return map_ && map_->userLocation() ? map_->userLocationAccuracy() : 0; }

void QtUserPosition::setObserver(std::function<void(CLLocationCoordinate2D, Origin)> observer) {
  observer_ = std::move(observer);
}

void QtUserPosition::restore(CLLocationCoordinate2D place) {
  if (map_)
    map_->restoreUserLocation(place);
  else
    restored_ = place;
}

void QtUserPosition::showAround(CLLocationCoordinate2D place, double metres) {
  if (map_)
    map_->showAround(place, metres);
  else
    view_ = {place, metres};
}

}  // namespace storm::qt
