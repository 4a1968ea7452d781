#include <gtest/gtest.h>
#include <unicode/locid.h>
#include <unicode/simpletz.h>
#include <unicode/smpdtfmt.h>

#include <clocale>
#include <cmath>

#include "measure/Measurement.h"
#include "system/FixedDateFormatter.h"
#include "system/NumberParsing.h"

// The fixed time-of-day formats: the stopwatch's "s.SSS" text, and every field the formatter
// knows written exactly as ICU writes it in the digits 0-9.

namespace storm {
namespace {

std::string format(const char* pattern, double instant, int offset = 0) {
  FixedDateFormatterFactory factory;
  auto f = factory.makeDateFormatter();
  f->setDateFormat(pattern);
  f->setTimeZoneSecondsFromGMT(offset);
  return f->stringFromDate(instant);
}

TEST(FixedDateFormatter, SecondsWithinTheMinuteAndThousandths) {
  EXPECT_EQ(format("s.SSS", 0.0), "0.000");
  EXPECT_EQ(format("s.SSS", 10.5), "10.500");
  EXPECT_EQ(format("s.SSS", 29.386), "29.386");
  EXPECT_EQ(format("s.SSS", 65.25), "5.250");  // the pattern itself wraps at the minute
  EXPECT_EQ(format("s.SSS", 0.004), "0.004");
  EXPECT_EQ(format("s.SSS", -0.5), "59.500");  // floor, then the remainder
  EXPECT_EQ(format("HH:mm", 3600.0 * 5 + 60 * 7), "05:07");
  EXPECT_EQ(format("HH:mm", 0.0, 3600), "01:00");  // the zone's offset applies
  // 1000.0 + 29.386 - 1000.0 is 29.385999999999967 in doubles.
  EXPECT_EQ(format("s.SSS", (1000.0 + 29.386) - 1000.0), "29.386");
  EXPECT_EQ(format("s.SSS", 0.001 * 7), "0.007");
  // Letters it does not know (a year, a weekday's name) write nothing rather than a wrong text.
  EXPECT_EQ(format("yyyy", 0.0), "");
  EXPECT_EQ(format("EEE HH", 0.0), "");
  EXPECT_EQ(format("s.SSS", NAN), "");
}

// The stopwatch's text reads back as the elapsed time, whatever locale the process runs in.
TEST(FixedDateFormatter, StopwatchTextReadsBackInEveryLocale) {
  for (const char* locale : {"C", "de_DE.UTF-8", "ar_EG.UTF-8", "fa_IR.UTF-8"}) {
    if (!std::setlocale(LC_ALL, locale)) continue;
    FixedDateFormatterFactory factory;
    for (double t : {0.0, 3.0, 10.5, 29.386, 59.999, 65.25}) {
      const std::string text = elapsedText(t, factory);
      for (char c : text) EXPECT_TRUE((c >= '0' && c <= '9') || c == '.') << locale << ": " << text;
      EXPECT_FLOAT_EQ(floatValue(text), static_cast<float>(t)) << locale << ": " << text;
    }
  }
  std::setlocale(LC_ALL, "C");
}

// Field by field, what the formatter writes is what ICU writes with Latin digits: widths, padding,
// fractions shorter and longer than milliseconds, quoted text, zones on either side of GMT, and
// instants before 1970.
TEST(FixedDateFormatter, EveryFieldReadsAsIcuWritesIt) {
  const auto icuText = [](const char* pattern, double instant, int offset) {
    UErrorCode status = U_ZERO_ERROR;
    icu::Locale latin("en_US@numbers=latn");
    icu::SimpleDateFormat format(icu::UnicodeString::fromUTF8(pattern), latin, status);
    format.adoptTimeZone(new icu::SimpleTimeZone(offset * 1000, icu::UnicodeString("GMT")));
    icu::UnicodeString text;
    format.format(static_cast<double>(std::llround(instant * 1e6)) / 1e3, text);
    std::string out;
    return text.toUTF8String(out);
  };
  for (const char* pattern : {"s.SSS", "HH:mm:ss", "H:m:s", "S SS SSSS SSSSSS", "mm:ss.SS", "'at' HH 'o''clock'", "''s"}) {
    for (const double instant : {0.0, 29.386, 86399.999, 1.7e9 + 0.5, -0.0005, -7.3e10 + 0.25}) {
      for (const int offset : {0, 3600, -5400}) {
        EXPECT_EQ(format(pattern, instant, offset), icuText(pattern, instant, offset))
            << pattern << " " << instant << " " << offset;
      }
    }
  }
}

}  // namespace
}  // namespace storm
