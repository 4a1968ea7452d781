#pragma once

#include <memory>

#include "screens/Map.h"

// The platform's map view over a map widget. Region and map type go through to the widget; the
// overlays given are kept here, each circle among them put on the map as a circle of its own, and
// the delegate is asked for an overlay's view when the map first draws its circle. The platform's
// words stop here: the map knows only its own types.

namespace storm::qt {

class MapWidget;

std::shared_ptr<MKMapView> makeMapView(MapWidget* widget);

}  // namespace storm::qt
