#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>

#include <cmath>

#include "measure/Measurement.h"
#include "system/NumberParsing.h"
#include "system/qt/IcuDateFormatter.h"

namespace storm::qt {
namespace {

// Sets ICU's default locale for one test and puts the previous one back.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : previous_(icu::Locale::getDefault()) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(icu::Locale(name), status);
  }
  ~ScopedLocale() {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale::setDefault(previous_, status);
  }

 private:
  icu::Locale previous_;
};

std::string format(const char* pattern, double instant, int offset = 0, bool latin = false) {
  IcuDateFormatterFactory factory;
  auto f = factory.makeDateFormatter();
  f->setDateFormat(pattern);
  f->setTimeZoneSecondsFromGMT(offset);
  f->setLatinDigits(latin);
  return f->stringFromDate(instant);
}

TEST(IcuDateFormatter, SecondsWithinTheMinuteAndThousandths) {
  ScopedLocale locale("en_US");
  EXPECT_EQ(format("s.SSS", 0.0), "0.000");
  EXPECT_EQ(format("s.SSS", 10.5), "10.500");
  EXPECT_EQ(format("s.SSS", 29.386), "29.386");
  EXPECT_EQ(format("s.SSS", 65.25), "5.250");  // the pattern itself wraps at the minute
  EXPECT_EQ(format("s.SSS", 0.004), "0.004");
  EXPECT_EQ(format("s.SSS", -0.5), "59.500");  // floor, then the remainder
  EXPECT_EQ(format("HH:mm", 3600.0 * 5 + 60 * 7), "05:07");
  EXPECT_EQ(format("HH:mm", 0.0, 3600), "01:00");  // the zone's offset applies
}

TEST(IcuDateFormatter, WholeMillisecondsSurviveBinaryFractions) {
  ScopedLocale locale("en_US");
  // 1000.0 + 29.386 - 1000.0 is 29.385999999999967 in doubles.
  EXPECT_EQ(format("s.SSS", (1000.0 + 29.386) - 1000.0), "29.386");
  EXPECT_EQ(format("s.SSS", 0.001 * 7), "0.007");
}

class LocaleDigits : public ::testing::TestWithParam<const char*> {};

TEST_P(LocaleDigits, StopwatchTextReadsBackInEveryLocale) {
  ScopedLocale locale(GetParam());
  IcuDateFormatterFactory factory;
  for (double t : {0.0, 3.0, 10.5, 29.386, 59.999, 65.25}) {
    const std::string text = elapsedText(t, factory);
    for (char c : text) EXPECT_TRUE((c >= '0' && c <= '9') || c == '.') << GetParam() << ": " << text;
    EXPECT_FLOAT_EQ(floatValue(text), static_cast<float>(t)) << GetParam() << ": " << text;
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, LocaleDigits,
                         ::testing::Values("en_US", "de_DE", "ar_EG", "fa_IR", "hi_IN@numbers=deva",
                                           "th_TH@numbers=thai"));

TEST(IcuDateFormatter, LocaleDigitsAreKeptWhenNotAskedForLatin) {
  ScopedLocale locale("ar_EG");
  // Arabic-Indic digits: the stopwatch asks for Latin ones precisely because of this.
  EXPECT_NE(format("s", 5.0), "5");
  EXPECT_EQ(format("s", 5.0, 0, true), "5");
}

// Latin digits are written by the formatter's own number format; what it writes must be what ICU
// writes for the same locale with the Latin numbering system, field by field: widths, padding,
// cut years, fractions longer than milliseconds, other calendars and negative years.
class LatinDigitsAsIcu : public ::testing::TestWithParam<const char*> {};

TEST_P(LatinDigitsAsIcu, EveryNumericFieldReadsAsIcuWritesIt) {
  ScopedLocale locale(GetParam());
  const auto icuText = [](const char* pattern, double instant, int offset) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale latin(icu::Locale::getDefault());
    latin.setKeywordValue("numbers", "latn", status);
    icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8(pattern), latin, status);
    format.adoptTimeZone(new icu::SimpleTimeZone(offset * 1000, icu::UnicodeString("GMT")));
    icu::UnicodeString text;
    format.format(static_cast<double>(std::llround(instant * 1e6)) / 1e3, text);
    std::string out;
    return text.toUTF8String(out);
  };
  for (const char* pattern : {"s.SSS", "HH:mm:ss", "h:mm a", "k K", "S SS SSSS SSSSSSSSSSSS", "yy yyyy y u", "D DDD",
                              "d.M.y", "w ww e", "'at' HH 'o''clock'"}) {
    for (const double instant : {0.0, 29.386, 86399.999, 1.7e9 + 0.5, -7.3e10}) {
      for (const int offset : {0, 3600}) {
        EXPECT_EQ(format(pattern, instant, offset, true), icuText(pattern, instant, offset))
            << GetParam() << " " << pattern << " " << instant << " " << offset;
      }
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Locales, LatinDigitsAsIcu,
                         ::testing::Values("en_US", "de_DE", "ar_EG", "fa_IR", "th_TH", "ja_JP@calendar=japanese",
                                           "hi_IN@numbers=deva"));

}  // namespace
}  // namespace storm::qt
