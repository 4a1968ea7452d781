#pragma once

#include <functional>
#include <optional>

#include "map/Coordinates.h"

// The user's position as the map holds it: a fix from a position source, or a place the user set
// on the map ("I am here") or that was kept from an earlier run, which stands until a fix arrives;
// with where it comes from, how accurate it is and how old. Main thread only.

namespace storm {

// Where a position comes from.
enum class PositionSource {
  System,      // the desktop's location service
  Nmea,        // a replayed NMEA log
  Fixed,       // given on the command line (or by automation)
  Pinned,      // set by the user on the map
  Remembered,  // kept from an earlier run
  Gpsd,        // gpsd, the daemon serving a GPS receiver
};
// "system", "nmea", "fixed", "pinned", "remembered" or "gpsd".
const char* positionSourceName(PositionSource source);

// Why a live source (the desktop's location service, an NMEA log, gpsd) gives no current
// position; None while it does.
enum class PositionProblem {
  None,
  NoService,  // no location service is running
  Off,        // location services are switched off
  Refused,    // the service refuses this application
  NoFix,      // it has given no fix for some minutes
  Lost,       // the GPS receiver says it has no fix, or has given none for some seconds
  Ended,      // the NMEA log has ended
  NoGpsd,     // gpsd cannot be reached
};

struct PositionReport {
  GeoPoint coordinate;
  double accuracy = 0;  // radius of uncertainty in metres; 0 when unknown (the source did not say)
  PositionSource source = PositionSource::Fixed;
  double time = 0;  // wall-clock seconds since 1970 of the fix or the setting; 0 when unknown
};

class UserPosition {
 public:
  enum class Origin { Fix, SetByUser };

  virtual ~UserPosition() = default;
  // A fix if there is one, else the place set or kept; nothing when none is known.
  virtual std::optional<PositionReport> report() const = 0;
  std::optional<GeoPoint> position() const {
    const auto r = report();
    return r ? std::optional(r->coordinate) : std::nullopt;
  }
  double accuracy() const {
    const auto r = report();
    return r ? r->accuracy : 0;
  }
  // Told of each fix and each place the user sets, as they arrive.
  virtual void setObserver(std::function<void(GeoPoint, Origin)> observer) = 0;
  // Takes `place`, kept at wall-clock `time` (0: unknown), as the user's position while there is no
  // fix; the observer is not told.
  virtual void restore(GeoPoint place, double time) = 0;
  // Centres the map on `place`, showing `metres` of ground across its narrower side.
  virtual void showAround(GeoPoint place, double metres) = 0;
};

}  // namespace storm
