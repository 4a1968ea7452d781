#include "storm/Bearing.h"

#include <cmath>
#include <cctype>
#include <charconv>
#include <string_view>

namespace storm {

int compassPointIndex(double degrees) {
  return static_cast<int>(std::floor(normalizedBearing(degrees) / 45.0 + 0.5)) % 8;
}

double normalizedBearing(double degrees) {
  double d = std::fmod(degrees, 360.0);
  if (d < 0) d += 360.0;
  return d >= 360.0 ? 0.0 : d;
}

namespace {

// `text` with the digits of the Arabic and Persian locales (U+0660–U+0669, U+06F0–U+06F9) as ASCII
// digits and their decimal separator (U+066B) or a decimal comma as a point: what a locale's own
// number field offers reads back as the number it shows.
std::string asciiNumber(std::string_view text) {
  std::string s;
  for (size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    const auto next = i + 1 < text.size() ? static_cast<unsigned char>(text[i + 1]) : 0;
    if (c == 0xD9 && next >= 0xA0 && next <= 0xA9) {
      s += static_cast<char>('0' + (next - 0xA0));
      ++i;
    } else if (c == 0xDB && next >= 0xB0 && next <= 0xB9) {
      s += static_cast<char>('0' + (next - 0xB0));
      ++i;
    } else if (c == 0xD9 && next == 0xAB) {
      s += '.';
      ++i;
    } else {
      s += c == ',' ? '.' : static_cast<char>(c);
    }
  }
  return s;
}

}  // namespace

std::optional<double> parseBearing(const std::string& text) {
  // Spaces around the number are let go; one inside it ("4 5") makes it no number.
  const size_t first = text.find_first_not_of(' '), last = text.find_last_not_of(' ');
  if (first == std::string::npos) return std::nullopt;
  std::string s = asciiNumber(std::string_view(text).substr(first, last - first + 1));
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
