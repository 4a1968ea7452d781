#include "storm/StormTexts.h"

#include <algorithm>
#include <cmath>

#include "storm/Bearing.h"

namespace storm {

namespace {

constexpr double kKilometresPerMile = 1.609344;
constexpr const char* kSeparator = " \u00b7 ";

// "within 10 km now" or "… in about 12 min", the 10 km written as 6 mi where the locale measures in
// miles; with `straight`, "… if it keeps coming straight": a time the trend gives only on that
// assumption.
std::string withinText(double minutes, const Locale& locale, bool straight = false) {
  const bool miles = usesMiles(locale);
  if (minutes <= 0) return locale.localizedString(miles ? "within 6 mi now" : "within 10 km now");
  const char* key = straight ? (miles ? "within 6 mi in about %1 min if it keeps coming straight"
                                      : "within 10 km in about %1 min if it keeps coming straight")
                             : (miles ? "within 6 mi in about %1 min" : "within 10 km in about %1 min");
  return formatText(locale.localizedString(key), {locale.decimalText(std::max(1.0, std::round(minutes)), 0)});
}

// "7 km" or "4 mi", or a range "3–15 km", rounded to whole units.
std::string distanceText(double km, std::optional<double> toKm, const Locale& locale) {
  const bool miles = usesMiles(locale);
  const double unit = miles ? kKilometresPerMile : 1;
  if (!toKm)
    return formatText(locale.localizedString(miles ? "%1 mi" : "%1 km"),
                      {locale.decimalText(std::max(1.0, std::round(km / unit)), 0)});
  return formatText(locale.localizedString(miles ? "%1–%2 mi" : "%1–%2 km"),
                    {locale.decimalText(std::round(km / unit), 0), locale.decimalText(std::round(*toKm / unit), 0)});
}

constexpr const char* kMoving[] = {"north", "north-east", "east", "south-east",
                                   "south", "south-west", "west", "north-west"};
constexpr const char* kOfYou[] = {"north of you", "north-east of you", "east of you", "south-east of you",
                                  "south of you", "south-west of you", "west of you", "north-west of you"};

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
    text += withinText(*trend.minutesTo10km, locale, *trend.minutesTo10km > 0);
  }
  return text;
}

TrackWords trackWords(const Track& track, const Locale& locale) {
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
    words.course = locale.localizedString("Heading straight for you");
    if (track.minutesTo10km)
      words.course = formatText(locale.localizedString("Heading straight for you: %1"),
                                {withinText(*track.minutesTo10km, locale)});
  } else if (track.closestKm && track.closestInMinutes) {
    // The closest approach as the range it may lie in (95 %).
    const double error = 1.96 * track.closestErrorKm;
    const std::string where =
        formatText("%1 %2", {distanceText(std::max(0.0, *track.closestKm - error), *track.closestKm + error, locale),
                             locale.localizedString(kOfYou[compassPointIndex(track.closestBearingDegrees)])});
    words.course = *track.closestInMinutes <= 0
                       ? formatText(locale.localizedString("May pass %1 now"), {where})
                       : formatText(locale.localizedString("May pass %1 in about %2 min"),
                                    {where, locale.decimalText(std::max(1.0, std::round(*track.closestInMinutes)), 0)});
    if (track.minutesTo10km) words.course += kSeparator + withinText(*track.minutesTo10km, locale);
  }
  return words;
}

std::string cellsText(const std::vector<StormCell>& cells, const Locale& locale) {
  if (cells.size() != 2) return {};
  if (cells[0].bearingDegrees && cells[1].bearingDegrees) {
    auto cell = [&](const StormCell& c) {
      return formatText("%1 %2", {distanceText(c.km, std::nullopt, locale),
                                  locale.localizedString(kOfYou[compassPointIndex(*c.bearingDegrees)])});
    };
    return formatText(locale.localizedString("Two storms: %1 and %2"), {cell(cells[0]), cell(cells[1])});
  }
  return formatText(locale.localizedString("Two storms: about %1 and %2 away"),
                    {distanceText(cells[0].km, std::nullopt, locale), distanceText(cells[1].km, std::nullopt, locale)});
}

}  // namespace storm
