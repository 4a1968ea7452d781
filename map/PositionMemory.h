#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "map/UserPosition.h"
#include "system/Clock.h"
#include "system/Preferences.h"

// Keeps the user's last good position (a fix or a place they set) in the application's settings,
// with when it was last known there, and at start puts it back and opens the map around it.

namespace storm {

inline constexpr const char* kLastLatitudeKey = "lastLatitude";
inline constexpr const char* kLastLongitudeKey = "lastLongitude";
// Wall-clock seconds since 1970 when the user was last known at the kept position.
inline constexpr const char* kLastPositionTimeKey = "lastPositionTime";
// The map opens showing this much ground around the position, edge to edge.
inline constexpr double kOpeningViewMetres = 40000;
// A fix this close to the kept position is not worth a write, unless the kept time is this old.
inline constexpr double kRememberAfterMetres = 100;
inline constexpr double kRememberAfterSeconds = 15 * 60;

class PositionMemory : public std::enable_shared_from_this<PositionMemory> {
 public:
  PositionMemory(std::shared_ptr<Preferences> settings, std::shared_ptr<UserPosition> position,
                 std::shared_ptr<const Clock> clock);

  static std::vector<PreferenceKey> settingKeys();
  // The kept position; nothing when none was kept or the file holds something that is not one.
  std::optional<GeoPoint> remembered() const;
  // When the user was last known there; 0 when the file does not say (kept by an older version).
  double rememberedTime() const;
  // Opens the map on the position known now (a fix at launch) or else the kept one, and follows
  // every later fix and place set.
  void start();

 private:
  void heard(GeoPoint place, UserPosition::Origin origin);
  void keep(GeoPoint place);
  double now() const;

  std::shared_ptr<Preferences> settings_;
  std::shared_ptr<UserPosition> position_;
  std::shared_ptr<const Clock> clock_;
  std::optional<GeoPoint> kept_;
  double keptTime_ = 0;
};

}  // namespace storm
