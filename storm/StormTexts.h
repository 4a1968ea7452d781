#pragma once

#include <initializer_list>
#include <string>

#include "system/Locale.h"
#include "storm/StormJudgment.h"
#include "storm/Track.h"
#include "storm/Trend.h"

// The storm's words on the screens, in the user's language and units.

namespace storm {

// `pattern` with %1, %2, … replaced by `args` in order (a translated pattern may move them).
std::string formatText(const std::string& pattern, std::initializer_list<std::string> args);

// The trend in one short line: "Approaching · about 30 km/h · within 10 km in about 15 min if it
// keeps coming straight", "Moving away · about 20 km/h", "Keeping its distance" or "No clear trend
// yet"; the speed in mph and the 10 km in miles where the locale measures in miles.
std::string trendText(const Trend& trend, const Locale& locale);

// The track in two lines: its motion ("Moving north-east at about 35 km/h"; "Barely moving"; "No
// clear track yet") and, for a claimed motion, what it means for the person: "Heading straight for
// you: within 10 km in about 15 min" (only where it comes within kStraightForYouKm for sure), "May
// pass 3–15 km north of you in about 20 min" (the closest approach's 95 % range, with when it comes
// within 10 km, where it does) or "Moving away to the east". Miles where the locale measures in
// them.
struct TrackWords {
  std::string motion;
  std::string course;
};
TrackWords trackWords(const Track& track, const Locale& locale);

// Two storms at once, nearest first: "Two storms: 7 km east of you and 17 km south-east of you" (or, from
// distances alone, "Two storms: about 7 km and 17 km away").
std::string cellsText(const std::vector<StormCell>& cells, const Locale& locale);

}  // namespace storm
