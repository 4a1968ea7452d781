#pragma once

#include <initializer_list>
#include <string>

#include "system/Locale.h"
#include "storm/Trend.h"

// The storm's words on the screens, in the user's language and units.

namespace storm {

// `pattern` with %1, %2, … replaced by `args` in order (a translated pattern may move them).
std::string formatText(const std::string& pattern, std::initializer_list<std::string> args);

// The trend in one short line: "Approaching · about 30 km/h · within 10 km in about 15 min",
// "Moving away · about 20 km/h", "Keeping its distance" or "No clear trend yet"; the speed in mph
// where the locale measures in miles.
std::string trendText(const Trend& trend, const Locale& locale);

}  // namespace storm
