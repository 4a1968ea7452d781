#pragma once

#include <memory>

#include "kit/Map.h"

// The platform's map view over a map widget: region, overlays, map type and delegate go through to
// the widget, and the widget asks the delegate for the view of each overlay it draws.

namespace storm::qt {

class MapWidget;

std::shared_ptr<MKMapView> makeMapView(MapWidget* widget);

}  // namespace storm::qt
