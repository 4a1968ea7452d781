#pragma once

#include <memory>
#include <string>

// Formats instants with Unicode date patterns (the "s.SSS" kind), in the current locale.

namespace storm {

class DateFormatter {
 public:
  virtual ~DateFormatter() = default;
  virtual void setDateFormat(const std::string& pattern) = 0;
  virtual void setTimeZoneSecondsFromGMT(int seconds) = 0;
  // Keeps the current locale but writes every number with the digits 0-9.
  virtual void setLatinDigits(bool latin) = 0;
  // `instant` in seconds since 1970-01-01 00:00:00 UTC.
  virtual std::string stringFromDate(double instant) = 0;
};

class DateFormatterFactory {
 public:
  virtual ~DateFormatterFactory() = default;
  virtual std::unique_ptr<DateFormatter> makeDateFormatter() = 0;
};

}  // namespace storm
