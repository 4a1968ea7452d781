#pragma once

#include <string_view>

#include "map/Coordinates.h"

// A position typed by hand: latitude and longitude in decimal degrees ("52.52, 13.405",
// "-33.9 151.2") or in degrees, minutes and seconds with their hemispheres
// ("52°31'12\"N 13°24'18\"E", with the typographic or the plain ASCII marks). Hemisphere letters
// may stand before or after a number, and put the longitude first when they say so. Numbers are
// read the same way in every locale; a decimal comma is taken only where no point and no comma
// between the two numbers leaves it in doubt ("52,52 13,405").

namespace storm {

struct CoordinateReading {
  enum class Problem {
    None,
    Unreadable,  // not two coordinates in any of the forms above
    Latitude,    // beyond 90° north or south
    Longitude,   // beyond 180° east or west
  };
  Problem problem = Problem::Unreadable;
  GeoPoint place;
};

CoordinateReading readCoordinates(std::string_view text);

}  // namespace storm
