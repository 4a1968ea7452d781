#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "map/Coordinates.h"
#include "system/Clock.h"
#include "system/Preferences.h"

// Whether the map wears its night look: dimmed, darkened tiles and a dark grid, so that a map
// looked at in a storm at night does not glare. The user chooses always, never, or automatic:
// from sunset to sunrise where they are (the sun's centre 0.833° below the horizon, as almanacs
// count sunset), or, while no position is known, from 20:00 to 06:00 by the local clock.

namespace storm {

enum class NightMode { Automatic, Always, Never };

inline constexpr const char* kNightLookKey = "nightLook";

// The sun's elevation above the horizon in degrees at `unixSeconds` seen from `place`; accurate to
// a few hundredths of a degree, far better than a sunset needs.
double solarElevationDegrees(double unixSeconds, GeoPoint place);

// Whether it is night at `unixSeconds`: by the sun at `place`, else by `localHour` (0 to 23).
bool isNight(double unixSeconds, const std::optional<GeoPoint>& place, int localHour);

std::optional<NightMode> nightModeNamed(const std::string& name);
const char* nightModeName(NightMode mode);

class NightLook {
 public:
  using Where = std::function<std::optional<GeoPoint>()>;
  using Show = std::function<void(bool night)>;

  // `byDefault` stands until the user chooses.
  NightLook(std::shared_ptr<Preferences> settings, std::shared_ptr<const Clock> clock,
            std::shared_ptr<TimerScheduler> timers, Where where, Show show, NightMode byDefault = NightMode::Automatic);

  static std::vector<PreferenceKey> settingKeys();

  // Reads the kept choice, shows the look it gives, and looks again each minute.
  void start();
  NightMode mode() const { return mode_; }
  // Kept in the settings; the look follows at once.
  void setMode(NightMode mode);
  bool night() const { return night_.value_or(false); }
  // Looks again now (for one, after the position changed).
  void update();

 private:
  std::shared_ptr<Preferences> settings_;
  std::shared_ptr<const Clock> clock_;
  std::shared_ptr<TimerScheduler> timers_;
  Where where_;
  Show show_;
  std::shared_ptr<Timer> minute_;
  NightMode mode_ = NightMode::Automatic;
  std::optional<bool> night_;
};

}  // namespace storm
