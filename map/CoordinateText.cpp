#include "map/CoordinateText.h"

#include <charconv>
#include <cmath>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace storm {

namespace {

// The text with every sign for degrees, minutes and seconds as one ASCII letter or mark ('d', ''',
// '"'), a typographic minus as '-', no-break spaces as spaces and hemispheres in capitals.
std::string plain(std::string_view text) {
  static const std::pair<std::string_view, char> kSigns[] = {
      {"\u00b0", 'd'},  {"\u00ba", 'd'},  {"\u02da", 'd'}, {"\u2032", '\''}, {"\u2019", '\''},
      {"\u2018", '\''}, {"\u00b4", '\''}, {"\u2033", '"'}, {"\u201d", '"'},  {"\u201c", '"'},
      {"''", '"'},      {"\u2212", '-'},  {"\u00a0", ' '}, {"\u202f", ' '},
  };
  std::string out;
  for (size_t i = 0; i < text.size();) {
    bool replaced = false;
    for (const auto& [sign, mark] : kSigns) {
      if (text.substr(i, sign.size()) == sign) {
        out += mark;
        i += sign.size();
        replaced = true;
        break;
      }
    }
    if (replaced) continue;
    const char c = text[i++];
    out += (c == 'n' || c == 's' || c == 'e' || c == 'w') ? static_cast<char>(c - 'a' + 'A') : c;
  }
  return out;
}

bool isDigit(char c) { return c >= '0' && c <= '9'; }

struct Token {
  enum class Kind { Number, Mark, Hemisphere, Separator } kind = Kind::Number;
  char sign = 0;  // the mark, the hemisphere or the separator
  double value = 0;
  bool negative = false;
  bool whole = true;  // no fraction
};

std::optional<std::vector<Token>> tokens(const std::string& text) {
  // A comma between two digits is a decimal comma only where no point is used at all.
  const bool decimalComma = text.find('.') == std::string::npos;
  std::vector<Token> out;
  auto push = [&out](Token::Kind kind, char sign) {
    Token token;
    token.kind = kind;
    token.sign = sign;
    out.push_back(token);
  };
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == ' ' || c == '\t') {
      ++i;
    } else if (c == ',' || c == ';') {
      push(Token::Kind::Separator, c);
      ++i;
    } else if (c == 'd' || c == '\'' || c == '"') {
      push(Token::Kind::Mark, c);
      ++i;
    } else if (c == 'N' || c == 'S' || c == 'E' || c == 'W') {
      push(Token::Kind::Hemisphere, c);
      ++i;
    } else if (isDigit(c) || c == '.' || c == '-' || c == '+') {
      Token number;
      if (c == '-' || c == '+') {
        number.negative = c == '-';
        ++i;
      }
      std::string digits;
      bool point = false;
      for (; i < text.size(); ++i) {
        const char d = text[i];
        const bool comma =
            d == ',' && decimalComma && i + 1 < text.size() && isDigit(text[i + 1]) && i > 0 && isDigit(text[i - 1]);
        if (isDigit(d)) {
          digits += d;
        } else if ((d == '.' || comma) && !point) {
          point = true;
          digits += '.';
        } else {
          break;
        }
      }
      if (digits.empty() || digits == ".") return std::nullopt;
      const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), number.value);
      if (error != std::errc() || end != digits.data() + digits.size()) return std::nullopt;
      number.whole = !point || number.value == std::floor(number.value);
      out.push_back(number);
    } else {
      return std::nullopt;
    }
  }
  return out;
}

enum class Axis { Either, Latitude, Longitude };

struct Part {
  double degrees = 0;
  Axis axis = Axis::Either;
};

// One coordinate from `at` on: [hemisphere] degrees[d] [minutes' [seconds"]] [hemisphere].
std::optional<Part> readPart(const std::vector<Token>& t, size_t& at) {
  auto is = [&](size_t i, Token::Kind kind, char sign = 0) {
    return i < t.size() && t[i].kind == kind && (sign == 0 || t[i].sign == sign);
  };
  std::optional<char> hemisphere;
  if (is(at, Token::Kind::Hemisphere)) hemisphere = t[at++].sign;
  if (!is(at, Token::Kind::Number)) return std::nullopt;
  const Token degrees = t[at++];
  if (is(at, Token::Kind::Mark, 'd')) ++at;
  double value = degrees.value;
  // Minutes follow whole degrees, seconds whole minutes; each is under 60 and has no sign.
  auto sub = [&](char mark, double parts, bool after) {
    if (!is(at, Token::Kind::Number) || !is(at + 1, Token::Kind::Mark, mark)) return true;  // none
    const Token& part = t[at];
    if (!after || part.negative || part.value >= 60) return false;
    value += part.value / parts;
    at += 2;
    return true;
  };
  const size_t beforeMinutes = at;
  if (!sub('\'', 60, degrees.whole)) return std::nullopt;
  const bool minutes = at != beforeMinutes;
  if (!sub('"', 3600, minutes && t[beforeMinutes].whole)) return std::nullopt;
  if (!hemisphere && is(at, Token::Kind::Hemisphere)) hemisphere = t[at++].sign;
  Part part;
  part.degrees = degrees.negative ? -value : value;
  if (hemisphere) {
    if (degrees.negative) return std::nullopt;  // "-52 N" says two things
    part.axis = *hemisphere == 'N' || *hemisphere == 'S' ? Axis::Latitude : Axis::Longitude;
    if (*hemisphere == 'S' || *hemisphere == 'W') part.degrees = -part.degrees;
  }
  return part;
}

}  // namespace

CoordinateReading readCoordinates(std::string_view text) {
  CoordinateReading reading;
  const std::optional<std::vector<Token>> t = tokens(plain(text));
  if (!t) return reading;
  size_t at = 0;
  std::optional<Part> first = readPart(*t, at);
  if (!first) return reading;
  if (at < t->size() && (*t)[at].kind == Token::Kind::Separator) ++at;
  std::optional<Part> second = readPart(*t, at);
  if (!second || at != t->size()) return reading;
  if (first->axis == Axis::Longitude || second->axis == Axis::Latitude) std::swap(first, second);
  if (first->axis == Axis::Longitude || second->axis == Axis::Latitude) return reading;  // both one way
  reading.place = {first->degrees, second->degrees};
  if (std::fabs(reading.place.latitude) > 90)
    reading.problem = CoordinateReading::Problem::Latitude;
  else if (std::fabs(reading.place.longitude) > 180)
    reading.problem = CoordinateReading::Problem::Longitude;
  else
    reading.problem = CoordinateReading::Problem::None;
  return reading;
}

}  // namespace storm
