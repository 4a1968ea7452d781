#include "map/qt/QtUserPosition.h"

#include "map/qt/MapModel.h"

namespace storm::qt {

void QtUserPosition::attach(MapModel* map) {
  map_ = map;
  if (!map) return;
  QObject::connect(map, &MapModel::userLocationHeard, map, [this](double latitude, double longitude, bool byUser) {
    if (observer_) observer_({latitude, longitude}, byUser ? Origin::SetByUser : Origin::Fix);
  });
  if (restored_) map->restoreUserLocation(restored_->coordinate, restored_->time);
  if (view_) map->showAround(view_->first, view_->second);
  restored_.reset();
  view_.reset();
}

std::optional<PositionReport> QtUserPosition::report() const { return map_ ? map_->position().report() : restored_; }

void QtUserPosition::setObserver(std::function<void(GeoPoint, Origin)> observer) { observer_ = std::move(observer); }

void QtUserPosition::restore(GeoPoint place, double time) {
  if (map_)
    map_->restoreUserLocation(place, time);
  else
    restored_ = PositionReport{place, 0, PositionSource::Remembered, time};
}

void QtUserPosition::showAround(GeoPoint place, double metres) {
  if (map_)
    map_->showAround(place, metres);
  else
    view_ = {place, metres};
}

}  // namespace storm::qt
