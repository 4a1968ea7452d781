#include "storm/SpeedOfSound.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <string_view>

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

double fahrenheitFromCelsius(double celsius) { return celsius * 9.0 / 5.0 + 32.0; }

TemperatureEntry parseTemperatureEntry(const std::string& text, bool fahrenheit) {
  std::string_view rest = text;
  const auto trim = [&rest] {
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.front()))) rest.remove_prefix(1);
    while (!rest.empty() && std::isspace(static_cast<unsigned char>(rest.back()))) rest.remove_suffix(1);
  };
  trim();
  if (rest.empty()) return {};
  std::string lower(rest);
  for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  if (lower == "standard") return {};
  // A unit at the end: C or F, with or without the degree sign before it.
  const char last = lower.back();
  if (last == 'c' || last == 'f') {
    fahrenheit = last == 'f';
    rest.remove_suffix(1);
    constexpr std::string_view kDegree = "\u00b0";
    if (rest.size() >= kDegree.size() && rest.substr(rest.size() - kDegree.size()) == kDegree)
      rest.remove_suffix(kDegree.size());
    trim();
  }
  std::string number(rest);
  for (char& c : number)
    if (c == ',') c = '.';
  // A typed minus sign may be the typographic one.
  if (number.rfind("\u2212", 0) == 0) number.replace(0, 3, "-");
  double value = 0;
  const char* end = number.data() + number.size();
  const auto [stop, ec] = std::from_chars(number.data(), end, value);
  if (number.empty() || ec != std::errc{} || stop != end) return {TemperatureEntry::Invalid};
  const double celsius = fahrenheit ? (value - 32.0) * 5.0 / 9.0 : value;
  if (!speedOfSoundAt(celsius)) return {TemperatureEntry::Invalid};
  return {TemperatureEntry::Degrees, celsius};
}

}  // namespace storm
