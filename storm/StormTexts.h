#pragma once

#include <initializer_list>
#include <string>

#include "system/Locale.h"
#include "storm/Trend.h"

// The storm's words on the screens, in the user's language and units.

namespace storm {

// `pattern` with %1, %2, … replaced by `args` in order (a translated pattern may move them).
std::string formatText(const std::string& pattern, std::initializer_list<std::string> args);

// The trend in one short line, e.g. "Approaching · 0.4 km/min · within 10 km in about 12 min";
// the rate in mi/min where the locale measures in miles.
std::string trendText(const Trend& trend, const Locale& locale);

}  // namespace storm
