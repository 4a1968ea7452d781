#include "storm/SpeedOfSound.h"

#include <cmath>

#include "measure/Measurement.h"

namespace storm {

std::optional<double> speedOfSoundAt(double celsius) {
  // The comparisons are false for NaN, so it is refused with the rest.
  if (!(celsius >= kLowestAirTemperature && celsius <= kHighestAirTemperature)) return std::nullopt;
  return 331.3 * std::sqrt(1.0 + celsius / 273.15) / 1000.0;
}

std::vector<PreferenceKey> speedOfSoundSettingKeys() { return {{kAirTemperatureKey, PreferenceType::Double}}; }

double speedOfSoundSetting(const Preferences* settings) {
  if (!settings || !settings->containsKey(kAirTemperatureKey)) return kSpeedOfSoundKmPerSecond;
  return speedOfSoundAt(settings->doubleForKey(kAirTemperatureKey)).value_or(kSpeedOfSoundKmPerSecond);
}

bool setAirTemperature(Preferences& settings, std::optional<double> celsius) {
  if (celsius && !speedOfSoundAt(*celsius)) return false;
  if (celsius)
    settings.setDouble(*celsius, kAirTemperatureKey);
  else
    settings.setObject(std::nullopt, kAirTemperatureKey);
  settings.synchronize();
  return true;
}

}  // namespace storm
