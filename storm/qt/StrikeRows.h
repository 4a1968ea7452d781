#pragma once

#include <QSqlQuery>
#include <QString>
#include <optional>
#include <string_view>

#include "storm/Strike.h"

// What a row of the strike log must be to count as a strike: typed numbers in sane ranges, a short
// source. A flash before 2000 or more than a few minutes after the clock's now is no measurement
// of this program; a row that is not a strike is skipped (and reported), never read into memory
// whole. Positions read are put on the globe (onTheGlobe).

namespace storm::qt {

inline constexpr double kEarliestStrike = 946684800;  // 2000-01-01T00:00:00Z
inline constexpr double kLatestStrikeAhead = 300;     // how far past now a flash may be dated (clock skew)
// Longitudes as far as this from the map are read, wrapped onto it: earlier versions stored placed
// strikes just past the antimeridian (180.009...).
inline constexpr double kFarthestLongitude = 1e6;
inline constexpr int kLongestSource = 32;             // characters of a position's source

// The SQL condition that picks the strike rows of the `strikes` table, given the clock's now. Only
// typeof() looks at a value before its type is known, which reads no large value from the disk.
QString strikeRowCondition(double now);

// The columns read for a strike, each one bounded: the position's source at most kLongestSource
// characters (a longer one fails the condition above). The direction's columns are read only when
// they hold numbers and a short text; whether they make a direction is strikeFromRow's to say.
QString strikeRowColumns();

// The strike of a row read with those columns.
Strike strikeFromRow(const QSqlQuery& q);

// The same test in C++, for strikes from elsewhere (the journal of pending strikes). The direction
// is no part of it: a strike with a direction that makes no sense is still a strike. A position
// that passes is one onTheGlobe may wrap.
bool isSaneStrike(const Strike& strike, double now);

// The direction these values make: none unless 0 <= degrees < 360 and the source is one of
// bearingSourceName's words; the placed point only when both its degrees are finite, the latitude
// within ±90 and the longitude within kFarthestLongitude (wrapped onto the globe).
std::optional<StrikeBearing> saneBearing(std::optional<double> degrees, std::string_view source,
                                         std::optional<double> latitude, std::optional<double> longitude);

}  // namespace storm::qt
