#include "measure/Measurement.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace storm {

std::string elapsedText(double elapsed, DateFormatterFactory& formatters) {
  const double milliseconds = std::round(elapsed * 1000.0);
  if (milliseconds >= 60000.0) {
    const auto total = static_cast<long long>(milliseconds);
    char text[32];
    std::snprintf(text, sizeof text, "%lld.%03lld", total / 1000, total % 1000);
    return text;
  }
  auto formatter = formatters.makeDateFormatter();
  formatter->setDateFormat(kTimePattern);
  formatter->setTimeZoneSecondsFromGMT(kTimePatternSecondsFromGMT);
  return formatter->stringFromDate(milliseconds / 1000.0);
}

Distance distanceForSeconds(float seconds) { return distanceForSeconds(seconds, kSpeedOfSoundKmPerSecond); }

Distance distanceForSeconds(float seconds, double speedKmPerSecond) {
  return distanceForKilometres(static_cast<float>(static_cast<double>(seconds) * speedKmPerSecond));
}

Distance distanceForKilometres(float kilometres) {
  Distance d;
  d.kilometres = kilometres;
  d.miles = static_cast<float>(static_cast<double>(kilometres) * kMilesPerKilometre);
  return d;
}

// Fixed-point with two decimals, rounded to nearest, and always a '.' whatever the C locale
// says (the process runs under the user's locale).
static std::string fixed2(double value) {
  char text[64];
  auto [end, ec] = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, 2);
  return ec == std::errc{} ? std::string(text, end) : std::string("0.00");
}

std::string distanceText(const Distance& distance) {
  return fixed2(static_cast<double>(distance.miles)) + "mi or " + fixed2(static_cast<double>(distance.kilometres)) +
         "km";
}

}  // namespace storm
