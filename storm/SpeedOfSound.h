#pragma once

#include <optional>
#include <string>
#include <vector>

#include "system/Preferences.h"

// The speed of sound in air from its temperature, for a distance closer to the truth on a cold or
// a hot day than the standard figure.

namespace storm {

inline constexpr double kLowestAirTemperature = -40.0;  // °C
inline constexpr double kHighestAirTemperature = 50.0;  // °C

// c = 331.3 · sqrt(1 + T / 273.15) m/s, in km/s; nothing for a temperature outside
// [kLowestAirTemperature, kHighestAirTemperature] or not a number.
std::optional<double> speedOfSoundAt(double celsius);

// The setting in the application's settings: the air temperature in °C, absent for the standard
// speed of sound.
inline constexpr const char* kAirTemperatureKey = "airTemperature";
std::vector<PreferenceKey> speedOfSoundSettingKeys();
// The speed the next measurement uses: the standard one without a setting (or settings), or with
// a setting out of range (someone edited the file).
double speedOfSoundSetting(const Preferences* settings);
// Sets the air temperature (nothing: standard) and saves it; false for a temperature out of range.
bool setAirTemperature(Preferences& settings, std::optional<double> celsius);

// What the user typed as the air temperature: nothing (or "standard") for the standard speed, or
// a number of degrees, with an optional unit (°C, °F, C or F; without one, `fahrenheit` says
// which). A comma stands for the decimal point.
struct TemperatureEntry {
  enum Kind { Standard, Degrees, Invalid } kind = Standard;
  double celsius = 0;  // for Degrees, converted from °F where it was given in °F
};
TemperatureEntry parseTemperatureEntry(const std::string& text, bool fahrenheit);
double fahrenheitFromCelsius(double celsius);

}  // namespace storm
