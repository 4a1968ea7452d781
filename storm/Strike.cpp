#include "storm/Strike.h"

#include <algorithm>
#include <cmath>

namespace storm {

namespace {

constexpr const char* kSourceNames[] = {"map", "key", "typed", "compass"};

}  // namespace

GeoPoint onTheGlobe(GeoPoint c) {
  if (!std::isfinite(c.latitude) || !std::isfinite(c.longitude)) return c;
  c.latitude = std::clamp(c.latitude, -90.0, 90.0);
  // A longitude on the map already keeps its every bit.
  if (c.longitude >= -180.0 && c.longitude < 180.0) return c;
  double lon = std::fmod(c.longitude + 180.0, 360.0);
  if (lon < 0) lon += 360.0;
  lon -= 180.0;
  // fmod is exact, but the additions round: a hair under -180 or at 180 is the same meridian.
  c.longitude = lon >= 180.0 || lon < -180.0 ? -180.0 : lon;
  return c;
}

double knownAccuracy(double metres) {
  return std::isfinite(metres) && metres > 0 && metres <= kFarthestAccuracy ? metres : 0;
}

const char* bearingSourceName(BearingSource source) { return kSourceNames[static_cast<int>(source)]; }

std::optional<BearingSource> bearingSourceNamed(std::string_view name) {
  for (int i = 0; i < 4; ++i)
    if (name == kSourceNames[i]) return static_cast<BearingSource>(i);
  return std::nullopt;
}

}  // namespace storm
