#pragma once

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "storm/Strike.h"

// The strike log as CSV, one line a strike, oldest first: the flash (seconds since 1970, to the
// millisecond, and as UTC), the delay (to the millisecond), the distance in km and in miles (to the
// metre), the speed of sound used, the position (degrees to six decimals, accuracy to the metre and
// empty where the source gave none), and the storm the strike belongs to (numbered from 1; strikes
// more than half an hour apart are different storms), the position's source, and the direction of
// the flash (degrees to six decimals, how it was given, and the point it places the strike at, to
// six decimals; empty without one). The columns of earlier versions come first, in their order. Every text is quoted;
// numbers, negative ones too, are plain.

namespace storm::qt {

class StrikeCsv {
 public:
  static const char* header();
  // The strike's line; strikes are given oldest first.
  std::string line(const Strike& strike);

 private:
  int storm_ = 0;
  std::optional<double> last_;
};

// The shortest decimal text (never an exponent) that reads back to `value`; with `fromFloat`, a
// value that is exactly a float is written as that float's shortest text (the delay and the
// distance come from float arithmetic, and read as the label showed them).
std::string strikeNumberText(double value, bool fromFloat = false);

// `text` as a quoted CSV field: quotes doubled, and one that a spreadsheet would take for a formula
// (its first character one of = + - @, a tab or a carriage return) given a leading apostrophe.
std::string csvText(std::string_view text);

// The name offered for an export made at wall-clock `now`: the date in the user's time zone.
QString defaultExportName(double now);

}  // namespace storm::qt
