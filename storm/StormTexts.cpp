#include "storm/StormTexts.h"

#include <algorithm>
#include <cmath>

namespace storm {

namespace {

constexpr double kKilometresPerMile = 1.609344;
constexpr const char* kSeparator = " \u00b7 ";

}  // namespace

std::string formatText(const std::string& pattern, std::initializer_list<std::string> args) {
  std::string text;
  text.reserve(pattern.size());
  for (size_t i = 0; i < pattern.size(); ++i) {
    const char next = i + 1 < pattern.size() ? pattern[i + 1] : '\0';
    const size_t index = static_cast<size_t>(next - '1');
    if (pattern[i] == '%' && next >= '1' && next <= '9' && index < args.size()) {
      text += *(args.begin() + index);
      ++i;
    } else {
      text += pattern[i];
    }
  }
  return text;
}

std::string trendText(const Trend& trend, const Locale& locale) {
  const char* direction = trend.direction == TrendDirection::Approaching  ? "Approaching"
                          : trend.direction == TrendDirection::MovingAway ? "Moving away"
                                                                          : "Steady";
  std::string text = locale.localizedString(direction);
  if (trend.direction == TrendDirection::Steady) return text;
  const bool miles = usesMiles(locale);
  const double rate = std::fabs(trend.kmPerMinute) / (miles ? kKilometresPerMile : 1.0);
  text += kSeparator;
  text += formatText(locale.localizedString(miles ? "%1 mi/min" : "%1 km/min"), {locale.decimalText(rate, 1)});
  if (trend.minutesTo10km) {
    text += kSeparator;
    if (*trend.minutesTo10km <= 0) {
      text += locale.localizedString("within 10 km now");
    } else {
      const double minutes = std::max(1.0, std::round(*trend.minutesTo10km));
      text += formatText(locale.localizedString("within 10 km in about %1 min"), {locale.decimalText(minutes, 0)});
    }
  }
  return text;
}

}  // namespace storm
