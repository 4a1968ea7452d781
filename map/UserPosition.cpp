#include "map/UserPosition.h"

namespace storm {

const char* positionSourceName(PositionSource source) {
  switch (source) {
    case PositionSource::System: return "system";
    case PositionSource::Nmea: return "nmea";
    case PositionSource::Fixed: return "fixed";
    case PositionSource::Pinned: return "pinned";
    case PositionSource::Remembered: return "remembered";
    case PositionSource::Gpsd: return "gpsd";
  }
  return "fixed";
}

}  // namespace storm
