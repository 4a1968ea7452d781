#pragma once

#include <memory>
#include <string>

// Formats instants with Unicode date patterns (the "s.SSS" kind).

namespace storm {

class DateFormatter {
 public:
  virtual ~DateFormatter() = default;
  virtual void setDateFormat(const std::string& pattern) = 0;
  virtual void setTimeZoneSecondsFromGMT(int seconds) = 0;
  // `instant` in seconds since 1970-01-01 00:00:00 UTC.
  virtual std::string stringFromDate(double instant) = 0;
};

class DateFormatterFactory {
 public:
  virtual ~DateFormatterFactory() = default;
  virtual std::unique_ptr<DateFormatter> makeDateFormatter() = 0;
};

}  // namespace storm
