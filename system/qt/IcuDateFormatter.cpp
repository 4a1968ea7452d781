#include "system/qt/IcuDateFormatter.h"

#include <unicode/locid.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>

#include <cmath>
#include <memory>
#include <string>
#include <unordered_map>

namespace storm::qt {

namespace {

constexpr size_t kCacheLimit = 32;

// The compiled formats of this thread, by pattern, zone, digits and locale.
icu::SimpleDateFormat* compiledFormat(const std::string& pattern, int secondsFromGMT, bool latinDigits) {
  thread_local std::unordered_map<std::string, std::unique_ptr<icu::SimpleDateFormat>> cache;
  const icu::Locale& current = icu::Locale::getDefault();
  std::string key = pattern;
  key += '\0';
  key += std::to_string(secondsFromGMT);
  key += '\0';
  key += latinDigits ? 'l' : 'n';
  key += current.getName();
  if (auto it = cache.find(key); it != cache.end()) return it->second.get();

  UErrorCode status = U_ZERO_ERROR;
  icu::Locale locale(current);
  if (latinDigits) locale.setKeywordValue("numbers", "latn", status);
  status = U_ZERO_ERROR;
  auto format = std::make_unique<icu::SimpleDateFormat>(icu::UnicodeString::fromUTF8(pattern), locale, status);
  if (U_FAILURE(status)) return nullptr;
  format->adoptTimeZone(new icu::SimpleTimeZone(secondsFromGMT * 1000, icu::UnicodeString("GMT")));
  if (cache.size() >= kCacheLimit) cache.clear();
  return cache.emplace(std::move(key), std::move(format)).first->second.get();
}

class IcuDateFormatter : public DateFormatter {
 public:
  void setDateFormat(const std::string& pattern) override { pattern_ = pattern; }
  void setTimeZoneSecondsFromGMT(int seconds) override { secondsFromGMT_ = seconds; }
  void setLatinDigits(bool latin) override { latinDigits_ = latin; }

  std::string stringFromDate(double instant) override {
    icu::SimpleDateFormat* format = compiledFormat(pattern_, secondsFromGMT_, latinDigits_);
    if (!format || !std::isfinite(instant)) return {};
    // To the microsecond first, so an instant a whole number of milliseconds long that doubles
    // cannot hold exactly still shows its own millisecond.
    const UDate date = static_cast<double>(std::llround(instant * 1e6)) / 1e3;
    icu::UnicodeString text;
    format->format(date, text);
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
