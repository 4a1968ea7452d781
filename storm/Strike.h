#pragma once

#include <optional>
#include <string>

// One measured strike as the log keeps it. A plain record the application's code and the log's
// store on the platform both know, as they both know a coordinate.

namespace storm {

// Where a strike was measured from: degrees, the radius of uncertainty in metres (0 when the
// position source did not say), and where the position came from ("system", "nmea", "fixed",
// "pinned" or "remembered"; empty for strikes logged before it was recorded).
struct StrikePosition {
  double latitude = 0;
  double longitude = 0;
  double accuracy = 0;
  std::string source;
  friend bool operator==(const StrikePosition&, const StrikePosition&) = default;
};

struct Strike {
  double time = 0;   // the flash, wall-clock seconds since 1970
  double delay = 0;  // seconds from the flash to the thunder, as the time label showed them
  double km = 0;     // the distance shown
  double speed = 0;  // the speed of sound it was computed with, km/s
  std::optional<StrikePosition> position;
  friend bool operator==(const Strike&, const Strike&) = default;

  // When the thunder was heard.
  double thunderTime() const { return time + delay; }
};

}  // namespace storm
