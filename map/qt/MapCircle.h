#pragma once

#include <QColor>
#include <QtGlobal>
#include <functional>
#include <optional>

#include "map/Coordinates.h"

// A circle on the map: a centre and a radius in metres on the ground, outlined and filled in the
// style its owner gives. The style is asked for when the circle is first drawn, not when it is
// added, so that whoever styles it may be set up in between.

namespace storm::qt {

struct MapCircleStyle {
  std::optional<QColor> stroke;  // none: no outline
  std::optional<QColor> fill;    // none: not filled
  double lineWidth = 0;          // of the outline, in pixels; 0 is a hairline, one device pixel wide
};

// Nothing while the style is not known yet: it is asked again at the next drawing.
using MapCircleStyleSource = std::function<std::optional<MapCircleStyle>()>;

using MapCircleId = quint64;

struct MapCircle {
  MapCircleId id = 0;
  GeoPoint centre;
  double radius = 0;  // metres
};

}  // namespace storm::qt
