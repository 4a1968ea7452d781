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
  switch (trend.direction) {
    case TrendDirection::Steady: return locale.localizedString("Keeping its distance");
    case TrendDirection::Unclear: return locale.localizedString("No clear trend yet");
    default: break;
  }
  std::string text = locale.localizedString(trend.direction == TrendDirection::Approaching ? "Approaching"
                                                                                          : "Moving away");
  // The speed only as closely as a trend can know it: to 5 km/h (or mph), and at least that.
  const bool miles = usesMiles(locale);
  const double speed = std::abs(trend.kmPerMinute) * 60 / (miles ? kKilometresPerMile : 1.0);
  const double shown = std::max(5.0, std::round(speed / 5) * 5);
  text += kSeparator;
  text += formatText(locale.localizedString(miles ? "about %1 mph" : "about %1 km/h"), {locale.decimalText(shown, 0)});
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
