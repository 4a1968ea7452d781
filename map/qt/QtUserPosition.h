#pragma once

#include <QPointer>
#include <optional>

#include "map/UserPosition.h"

// The user's position service over the main screen's map. Until the map is attached, what the
// application asks of it waits and is applied then.

namespace storm::qt {

class MapModel;

class QtUserPosition : public UserPosition {
 public:
  void attach(MapModel* map);

  std::optional<PositionReport> report() const override;
  void setObserver(std::function<void(GeoPoint, Origin)> observer) override;
  void restore(GeoPoint place, double time) override;
  void showAround(GeoPoint place, double metres) override;

 private:
  QPointer<MapModel> map_;
  std::function<void(GeoPoint, Origin)> observer_;
  std::optional<PositionReport> restored_;
  std::optional<std::pair<GeoPoint, double>> view_;
};

}  // namespace storm::qt
