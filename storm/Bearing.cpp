#include "storm/Bearing.h"

#include <cmath>
#include <cctype>
#include <charconv>
#include <string_view>

namespace storm {

int compassPointIndex(double degrees) {
  return static_cast<int>(std::floor(normalizedBearing(degrees) / 45.0 + 0.5)) % 8;
}

const char* compassPointAbbreviation(double degrees) {
  static constexpr const char* kPoints[] = {"N", "NE", "E", "SE", "S", "SW", "W", "NW"};
  return kPoints[compassPointIndex(degrees)];
}

double normalizedBearing(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d >= 360.0 ? 0.0 : d;
}

std::optional<double> parseBearing(const std::string& text) {
  std::string s;
  for (char c : text) {
    if (c == ' ') continue;
    s += c == ',' ? '.' : c;
  }
  // A trailing degree sign (UTF-8) or "deg" is allowed.
  for (const std::string_view tail : {std::string_view("\u00b0"), std::string_view("deg")})
    if (s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0) s.resize(s.size() - tail.size());
  if (s.empty() || s.size() > 32) return std::nullopt;
  for (char c : s)
    if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.')) return std::nullopt;
  double value = 0;
  const auto [end, error] = std::from_chars(s.data(), s.data() + s.size(), value);
  if (error != std::errc() || end != s.data() + s.size() || !std::isfinite(value) || value < 0 || value >= 360)
    return std::nullopt;
  return value;
}

}  // namespace storm
