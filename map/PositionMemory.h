#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "system/Preferences.h"
#include "map/UserPosition.h"

// Keeps the user's last good position (a fix or a place they set) in the application's settings,
// and at start puts it back and opens the map around it.

namespace storm {

inline constexpr const char* kLastLatitudeKey = "lastLatitude";
inline constexpr const char* kLastLongitudeKey = "lastLongitude";
// The map opens showing this much ground around the position, edge to edge.
inline constexpr double kOpeningViewMetres = 40000;
// A fix this close to the kept position is not worth a write.
inline constexpr double kRememberAfterMetres = 100;

class PositionMemory : public std::enable_shared_from_this<PositionMemory> {
 public:
  PositionMemory(std::shared_ptr<Preferences> settings, std::shared_ptr<UserPosition> position);

  static std::vector<PreferenceKey> settingKeys();
  // The kept position; nothing when none was kept or the file holds something that is not one.
  std::optional<CLLocationCoordinate2D> remembered() const;
  // Opens the map on the position known now (a fix at launch) or else the kept one, and follows
  // every later fix and place set.
  void start();

 private:
  void heard(CLLocationCoordinate2D place, UserPosition::Origin origin);
  void keep(CLLocationCoordinate2D place);

  std::shared_ptr<Preferences> settings_;
  std::shared_ptr<UserPosition> position_;
  std::optional<CLLocationCoordinate2D> kept_;
};

}  // namespace storm
