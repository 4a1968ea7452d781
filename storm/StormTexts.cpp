#include "storm/StormTexts.h"

#include <algorithm>
#include <cmath>

#include "storm/Bearing.h"

namespace storm {

namespace {

constexpr double kKilometresPerMile = 1.609344;
constexpr const char* kSeparator = " \u00b7 ";

std::string withinText(double minutes, const Locale& locale) {
  if (minutes <= 0) return locale.localizedString("within 10 km now");
  return formatText(locale.localizedString("within 10 km in about %1 min"),
                    {locale.decimalText(std::max(1.0, std::round(minutes)), 0)});
}

std::string speedText(double kmh, const Locale& locale) {
  // As closely as a track can know it: to 5 km/h (or mph), and at least that.
  const bool miles = usesMiles(locale);
  const double shown = std::max(5.0, std::round(kmh / (miles ? kKilometresPerMile : 1.0) / 5) * 5);
  return formatText(locale.localizedString(miles ? "about %1 mph" : "about %1 km/h"), {locale.decimalText(shown, 0)});
}

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
  text += kSeparator;
  text += speedText(std::abs(trend.kmPerMinute) * 60, locale);
  if (trend.minutesTo10km) {
    text += kSeparator;
    text += withinText(*trend.minutesTo10km, locale);
  }
  return text;
}

TrackWords trackWords(const Track& track, const Locale& locale) {
  static constexpr const char* kMoving[] = {"north", "north-east", "east", "south-east",
                                            "south", "south-west", "west", "north-west"};
  static constexpr const char* kOfYou[] = {"north of you", "north-east of you", "east of you", "south-east of you",
                                           "south of you", "south-west of you", "west of you", "north-west of you"};
  TrackWords words;
  switch (track.direction) {
    case TrackDirection::Unclear: words.motion = locale.localizedString("No clear track yet"); return words;
    case TrackDirection::Steady: words.motion = locale.localizedString("Barely moving"); return words;
    default: break;
  }
  const char* heading = kMoving[compassPointIndex(track.headingDegrees)];
  words.motion = formatText(locale.localizedString("Moving %1 at %2"),
                            {locale.localizedString(heading), speedText(track.speedKmh, locale)});
  if (track.direction == TrackDirection::MovingAway) {
    words.course = formatText(locale.localizedString("Moving away to the %1"), {locale.localizedString(heading)});
  } else if (track.direction == TrackDirection::Approaching) {
    words.course = formatText(locale.localizedString("Heading straight for you: %1"),
                              {withinText(track.minutesTo10km.value_or(0), locale)});
  } else {
    const bool miles = usesMiles(locale);
    const double distance = std::max(1.0, std::round(track.closestKm.value_or(0) / (miles ? kKilometresPerMile : 1)));
    words.course = formatText(locale.localizedString("Closest about %1 %2 in about %3 min"),
                              {formatText(locale.localizedString(miles ? "%1 mi" : "%1 km"),
                                          {locale.decimalText(distance, 0)}),
                               locale.localizedString(kOfYou[compassPointIndex(track.closestBearingDegrees)]),
                               locale.decimalText(std::max(1.0, std::round(track.closestInMinutes.value_or(0))), 0)});
    if (track.minutesTo10km) words.course += kSeparator + withinText(*track.minutesTo10km, locale);
  }
  return words;
}

}  // namespace storm
