#pragma once

#include "system/DateFormatter.h"

// Date formatters for fixed time-of-day patterns written in Unicode's pattern letters: H and HH
// (hour of the day), m and mm (minute), s and ss (second), S, SS, SSS… (the second's fraction, one
// digit a letter), text in single quotes ('' for a quote itself), and any character that is not a
// letter as it is. Digits are always 0-9, in every locale: what is written this way reads back as
// a number. A pattern with any other letter writes nothing.

namespace storm {

class FixedDateFormatterFactory : public DateFormatterFactory {
 public:
  std::unique_ptr<DateFormatter> makeDateFormatter() override;
};

}  // namespace storm
