#include "storm/Strike.h"

#include <algorithm>
#include <cmath>

namespace storm {

namespace {

constexpr const char* kSourceNames[] = {"map", "key", "typed", "compass"};

}  // namespace

SourceName::SourceName(std::string_view name) {
  static const std::shared_ptr<const std::string> usual[] = {
      std::make_shared<const std::string>("system"), std::make_shared<const std::string>("nmea"),
      std::make_shared<const std::string>("gpsd"),   std::make_shared<const std::string>("fixed"),
      std::make_shared<const std::string>("pinned"), std::make_shared<const std::string>("remembered")};
  if (name.empty()) return;
  for (const auto& known : usual)
    if (*known == name) {
      name_ = known;
      return;
    }
  name_ = std::make_shared<const std::string>(name);
}

const std::string& SourceName::str() const {
  static const std::string none;
  return name_ ? *name_ : none;
}

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
