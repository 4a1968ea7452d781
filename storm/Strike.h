#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "map/Coordinates.h"

// One measured strike as the log keeps it. A plain record the application's code and the log's
// store on the platform both know, as they both know a coordinate.

namespace storm {

// The name of where a position came from. A busy hour holds many strikes from one source: each
// usual name is kept once and shared by them all, any other once for each strike.
class SourceName {
 public:
  SourceName() = default;
  SourceName(std::string_view name);
  SourceName(const std::string& name) : SourceName(std::string_view(name)) {}
  SourceName(const char* name) : SourceName(std::string_view(name)) {}

  const std::string& str() const;
  operator const std::string&() const { return str(); }
  bool empty() const { return str().empty(); }
  std::size_t size() const { return str().size(); }
  auto begin() const { return str().begin(); }
  auto end() const { return str().end(); }
  friend bool operator==(const SourceName& a, const SourceName& b) { return a.str() == b.str(); }
  friend bool operator==(const SourceName& a, const std::string& b) { return a.str() == b; }
  friend bool operator==(const SourceName& a, std::string_view b) { return a.str() == b; }
  friend bool operator==(const SourceName& a, const char* b) { return a.str() == b; }

 private:
  std::shared_ptr<const std::string> name_;  // none: empty
};

// Where a strike was measured from: degrees, the radius of uncertainty in metres (0 when the
// position source did not say), and where the position came from ("system", "nmea", "fixed",
// "pinned" or "remembered"; empty for strikes logged before it was recorded).
struct StrikePosition {
  double latitude = 0;
  double longitude = 0;
  double accuracy = 0;
  SourceName source;
  friend bool operator==(const StrikePosition&, const StrikePosition&) = default;
};

// `c` as every stored position has it: the longitude wrapped into [-180, 180), the latitude clamped
// to [-90, 90]. Degrees that are not finite are left as they are, for the caller to refuse.
GeoPoint onTheGlobe(GeoPoint c);

// The accuracy a strike keeps of `metres`: the same when it is finite, above 0 and at most
// kFarthestAccuracy; else 0, "unknown", as for a source that did not say.
inline constexpr double kFarthestAccuracy = 1e6;
double knownAccuracy(double metres);

// How the direction of a flash was given: by a click or drag on the map, a compass key, a typed
// number of degrees, or the device's compass.
enum class BearingSource { Map, Key, Typed, Compass };

// "map", "key", "typed" or "compass", as the log and the export write it.
const char* bearingSourceName(BearingSource source);
std::optional<BearingSource> bearingSourceNamed(std::string_view name);

// The direction of a flash from where it was measured, and where that puts the strike.
struct StrikeBearing {
  double degrees = 0;  // clockwise from true north, 0 <= degrees < 360
  BearingSource source = BearingSource::Typed;
  // The point at the strike's distance along the bearing from its position (nothing without one).
  std::optional<GeoPoint> placed;
  friend bool operator==(const StrikeBearing&, const StrikeBearing&) = default;
};

struct Strike {
  double time = 0;   // the flash, wall-clock seconds since 1970
  double delay = 0;  // seconds from the flash to the thunder, as the time label showed them
  double km = 0;     // the distance shown
  double speed = 0;  // the speed of sound it was computed with, km/s
  std::optional<StrikePosition> position;
  std::optional<StrikeBearing> bearing;
  friend bool operator==(const Strike&, const Strike&) = default;

  // When the thunder was heard.
  double thunderTime() const { return time + delay; }
};

}  // namespace storm
