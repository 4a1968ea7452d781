#pragma once

#include <optional>
#include <string>

// Directions as a person names them: the eight points of the compass.

namespace storm {

// 0 north, 1 north-east … 7 north-west: the point nearest to `degrees` (clockwise from north).
int compassPointIndex(double degrees);
// `degrees` brought into 0 <= degrees < 360.
double normalizedBearing(double degrees);
// The bearing a typed text gives ("45", "45.5", "045°"), when it is a number of degrees from 0 up
// to but not including 360; a locale's decimal comma is taken too.
std::optional<double> parseBearing(const std::string& text);

}  // namespace storm
