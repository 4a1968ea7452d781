#include "system/qt/IcuDateFormatter.h"

#include <unicode/calendar.h>
#include <unicode/fieldpos.h>
#include <unicode/locid.h>
#include <unicode/numfmt.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace storm::qt {

namespace {

constexpr size_t kCacheLimit = 32;

// The numbers of a date in the digits 0-9, as ICU's own number format writes them for the Latin
// numbering system (no grouping, zero-padded to the field's width, cut to its last digits), but
// without building a general number each time: most of what a date format costs. Negative numbers,
// which carry the locale's minus sign, are left to ICU's format.
class LatinDateNumbers : public icu::NumberFormat {
 public:
  explicit LatinDateNumbers(std::shared_ptr<const icu::NumberFormat> icu) : icu_(std::move(icu)) {}

  LatinDateNumbers* clone() const override { return new LatinDateNumbers(*this); }
  using icu::NumberFormat::format;
  icu::UnicodeString& format(double number, icu::UnicodeString& appendTo, icu::FieldPosition& pos) const override {
    return icuFormat(number, appendTo, pos);
  }
  icu::UnicodeString& format(int32_t number, icu::UnicodeString& appendTo, icu::FieldPosition& pos) const override {
    return format(static_cast<int64_t>(number), appendTo, pos);
  }
  icu::UnicodeString& format(int64_t number, icu::UnicodeString& appendTo, icu::FieldPosition& pos) const override {
    if (number < 0) return icuFormat(static_cast<double>(number), appendTo, pos);
    char16_t reversed[20];  // the last digits first; an int64_t has at most 19
    int length = 0;
    do {
      reversed[length++] = static_cast<char16_t>(u'0' + number % 10);
      number /= 10;
    } while (number > 0 && length < getMaximumIntegerDigits());
    for (int zeros = getMinimumIntegerDigits() - length; zeros > 0; --zeros) appendTo.append(u'0');
    while (length > 0) appendTo.append(reversed[--length]);
    return appendTo;
  }
  void parse(const icu::UnicodeString& text, icu::Formattable& result, icu::ParsePosition& pos) const override {
    icu_->parse(text, result, pos);
  }
  UClassID getDynamicClassID() const override { return &classID; }

 private:
  icu::UnicodeString& icuFormat(double number, icu::UnicodeString& appendTo, icu::FieldPosition& pos) const {
    std::unique_ptr<icu::NumberFormat> format(icu_->clone());
    format->setMinimumIntegerDigits(getMinimumIntegerDigits());
    format->setMaximumIntegerDigits(getMaximumIntegerDigits());
    return format->format(number, appendTo, pos);
  }

  static inline char classID = 0;  // its address tells the class apart, as ICU's own classes do
  std::shared_ptr<const icu::NumberFormat> icu_;
};

// A pattern compiled for one zone, digits and locale, with a calendar of its own to format with:
// formatting an instant through the format itself would copy its calendar every time.
struct CompiledFormat {
  std::string pattern;
  int secondsFromGMT = 0;
  bool latinDigits = false;
  std::string locale;
  std::unique_ptr<icu::SimpleDateFormat> format;
  std::unique_ptr<icu::Calendar> calendar;
};

std::unique_ptr<CompiledFormat> compile(const std::string& pattern, int secondsFromGMT, bool latinDigits) {
  UErrorCode status = U_ZERO_ERROR;
  icu::Locale locale(icu::Locale::getDefault());
  if (latinDigits) locale.setKeywordValue("numbers", "latn", status);
  status = U_ZERO_ERROR;
  auto compiled = std::make_unique<CompiledFormat>();
  compiled->format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), locale, status);
  if (U_FAILURE(status)) return nullptr;
  compiled->format->adoptTimeZone(new icu::SimpleTimeZone(secondsFromGMT * 1000, icu::UnicodeString("GMT")));
  if (latinDigits) {
    std::shared_ptr<const icu::NumberFormat> icuNumbers(compiled->format->getNumberFormat()->clone());
    if (icuNumbers) compiled->format->adoptNumberFormat(new LatinDateNumbers(std::move(icuNumbers)));
  }
  compiled->calendar.reset(compiled->format->getCalendar()->clone());
  if (!compiled->calendar) return nullptr;
  compiled->pattern = pattern;
  compiled->secondsFromGMT = secondsFromGMT;
  compiled->latinDigits = latinDigits;
  compiled->locale = icu::Locale::getDefault().getName();
  return compiled;
}

// The compiled formats of this thread, the one used last first: a ticking clock asks for the same
// one again and again, and finds it at once.
CompiledFormat* compiledFormat(const std::string& pattern, int secondsFromGMT, bool latinDigits) {
  thread_local std::vector<std::unique_ptr<CompiledFormat>> cache;
  const char* locale = icu::Locale::getDefault().getName();
  const auto same = [&](const std::unique_ptr<CompiledFormat>& c) {
    return c->secondsFromGMT == secondsFromGMT && c->latinDigits == latinDigits && c->pattern == pattern &&
           std::strcmp(c->locale.c_str(), locale) == 0;
  };
  if (auto it = std::find_if(cache.begin(), cache.end(), same); it != cache.end()) {
    std::rotate(cache.begin(), it, it + 1);
    return cache.front().get();
  }
  std::unique_ptr<CompiledFormat> compiled = compile(pattern, secondsFromGMT, latinDigits);
  if (!compiled) return nullptr;
  if (cache.size() >= kCacheLimit) cache.pop_back();
  cache.insert(cache.begin(), std::move(compiled));
  return cache.front().get();
}

class IcuDateFormatter : public DateFormatter {
 public:
  void setDateFormat(const std::string& pattern) override { pattern_ = pattern; }
  void setTimeZoneSecondsFromGMT(int seconds) override { secondsFromGMT_ = seconds; }
  void setLatinDigits(bool latin) override { latinDigits_ = latin; }

  std::string stringFromDate(double instant) override {
    CompiledFormat* compiled = compiledFormat(pattern_, secondsFromGMT_, latinDigits_);
    if (!compiled || !std::isfinite(instant)) return {};
    // To the microsecond first, so an instant a whole number of milliseconds long that doubles
    // cannot hold exactly still shows its own millisecond.
    const UDate date = static_cast<double>(std::llround(instant * 1e6)) / 1e3;
    UErrorCode status = U_ZERO_ERROR;
    compiled->calendar->setTime(date, status);
    if (U_FAILURE(status)) return {};
    icu::UnicodeString text;
    icu::FieldPosition unused(icu::FieldPosition::DONT_CARE);
    compiled->format->format(*compiled->calendar, text, unused);
    std::string out;
    text.toUTF8String(out);
    return out;
  }

 private:
  std::string pattern_;
  int secondsFromGMT_ = 0;
  bool latinDigits_ = false;
};

}  // namespace

std::unique_ptr<DateFormatter> IcuDateFormatterFactory::makeDateFormatter() {
  return std::make_unique<IcuDateFormatter>();
}

}  // namespace storm::qt
