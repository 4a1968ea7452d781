#pragma once

#include <functional>
#include <optional>
#include <utility>

#include "map/UserPosition.h"

// The user's position as the test sets it: a fix, else a place put back from before.

namespace storm::fakes {

class FakeUserPosition : public UserPosition {
 public:
  std::optional<PositionReport> report() const override {
    if (fix) return PositionReport{*fix, metres, source, 0};
    if (restored) return PositionReport{*restored, 0, PositionSource::Remembered, restoredTime};
    return std::nullopt;
  }
  void setObserver(std::function<void(GeoPoint, Origin)> o) override { observer = std::move(o); }
  void restore(GeoPoint place, double time) override {
    restored = place;
    restoredTime = time;
  }
  void showAround(GeoPoint place, double m) override { shown = {place, m}; }

  std::optional<GeoPoint> fix, restored;
  double metres = 0;
  PositionSource source = PositionSource::System;
  double restoredTime = 0;
  std::optional<std::pair<GeoPoint, double>> shown;
  std::function<void(GeoPoint, Origin)> observer;
};

}  // namespace storm::fakes
