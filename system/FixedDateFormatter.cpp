#include "system/FixedDateFormatter.h"

#include <cmath>
#include <cstdint>
#include <string>

namespace storm {

namespace {

// `value` in at least `width` digits.
void appendNumber(std::string& out, std::int64_t value, std::size_t width) {
  const std::string digits = std::to_string(value);
  if (digits.size() < width) out.append(width - digits.size(), '0');
  out += digits;
}

// The letter run `field` (one letter, `count` times) for `ms`, milliseconds into the day.
bool appendField(std::string& out, char field, std::size_t count, std::int64_t ms) {
  switch (field) {
    case 'H': appendNumber(out, ms / 3'600'000, count); return count <= 2;
    case 'm': appendNumber(out, ms / 60'000 % 60, count); return count <= 2;
    case 's': appendNumber(out, ms / 1000 % 60, count); return count <= 2;
    case 'S': {
      // The milliseconds cut to the first `count` digits, or padded with zeros to them.
      std::string fraction;
      appendNumber(fraction, ms % 1000, 3);
      fraction.resize(count, '0');
      out += fraction;
      return true;
    }
    default: return false;
  }
}

class FixedDateFormatter : public DateFormatter {
 public:
  void setDateFormat(const std::string& pattern) override { pattern_ = pattern; }
  void setTimeZoneSecondsFromGMT(int seconds) override { secondsFromGMT_ = seconds; }

  std::string stringFromDate(double instant) override {
    if (!std::isfinite(instant) || std::abs(instant) > 1e12) return {};
    // To the microsecond first, so that an instant a whole number of milliseconds long that
    // doubles cannot hold exactly still shows its own millisecond; then whole milliseconds, down.
    const std::int64_t micro = std::llround(instant * 1e6) + std::int64_t{secondsFromGMT_} * 1'000'000;
    constexpr std::int64_t kDayMs = 86'400'000;
    const std::int64_t ms = ((micro >= 0 ? micro / 1000 : (micro - 999) / 1000) % kDayMs + kDayMs) % kDayMs;
    std::string out;
    for (std::size_t i = 0; i < pattern_.size();) {
      const char c = pattern_[i];
      if (c == '\'') {
        i = appendQuoted(out, i);
      } else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')) {
        const std::size_t end = pattern_.find_first_not_of(c, i);
        const std::size_t count = (end == std::string::npos ? pattern_.size() : end) - i;
        if (!appendField(out, c, count, ms)) return {};
        i += count;
      } else {
        out += c;
        ++i;
      }
    }
    return out;
  }

 private:
  // The text quoted from `open` on ('' inside or alone is a quote); where the pattern goes on.
  std::size_t appendQuoted(std::string& out, std::size_t open) const {
    std::size_t i = open + 1;
    if (i < pattern_.size() && pattern_[i] == '\'') {
      out += '\'';
      return i + 1;
    }
    for (; i < pattern_.size(); ++i) {
      if (pattern_[i] != '\'') {
        out += pattern_[i];
      } else if (i + 1 < pattern_.size() && pattern_[i + 1] == '\'') {
        out += '\'';
        ++i;
      } else {
        return i + 1;
      }
    }
    return i;
  }

  std::string pattern_;
  int secondsFromGMT_ = 0;
};

}  // namespace

std::unique_ptr<DateFormatter> FixedDateFormatterFactory::makeDateFormatter() {
  return std::make_unique<FixedDateFormatter>();
}

}  // namespace storm
