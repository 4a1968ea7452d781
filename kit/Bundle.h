#pragma once

#include <cstdio>
#include <optional>
#include <string>

// The application's bundle: its information dictionary and its localized strings.

namespace storm {

inline constexpr char kCFBundleVersionKey[] = "CFBundleVersion";
inline constexpr char kCFBundleNameKey[] = "CFBundleName";

// Which units the user's locale measures in: distances in km or miles, temperatures in °C or °F.
enum class UnitSystem { Metric, ImperialUK /* miles, °C */, ImperialUS /* miles, °F */ };

class Bundle {
 public:
  virtual ~Bundle() = default;
  // The string under `key` in the information dictionary; nothing when the key is absent or its
  // value is not a string.
  virtual std::optional<std::string> infoString(const std::string& key) const = 0;
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

inline bool usesMiles(const Bundle& bundle) { return bundle.unitSystem() != UnitSystem::Metric; }
inline bool usesFahrenheit(const Bundle& bundle) { return bundle.unitSystem() == UnitSystem::ImperialUS; }

}  // namespace storm
