#pragma once

#include <cstdio>
#include <string>

// The user's language and units: translated texts, the units distances and temperatures are given
// in, and numbers written the locale's way.

namespace storm {

// Which units the user's locale measures in: distances in km or miles, temperatures in °C or °F.
enum class UnitSystem { Metric, ImperialUK /* miles, °C */, ImperialUS /* miles, °F */ };

class Locale {
 public:
  virtual ~Locale() = default;
  // The text for `key` in the user's language from the default strings table, or `key` itself
  // when the table has none.
  virtual std::string localizedString(const std::string& key) const = 0;
  // The units of the user's locale.
  virtual UnitSystem unitSystem() const { return UnitSystem::Metric; }
  // `value` with `decimals` digits after the point, written the locale's way.
  virtual std::string decimalText(double value, int decimals) const {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    return text;
  }
};

inline bool usesMiles(const Locale& locale) { return locale.unitSystem() != UnitSystem::Metric; }
inline bool usesFahrenheit(const Locale& locale) { return locale.unitSystem() == UnitSystem::ImperialUS; }

}  // namespace storm
