#pragma once

#include <optional>
#include <span>
#include <string>
#include <vector>

#include "map/Coordinates.h"
#include "storm/Strike.h"
#include "storm/Track.h"
#include "storm/Trend.h"

// What the app claims about the storm's motion, judged over its life rather than on one strike.
//
// The trend and the track are each fitted to the strikes now, and again without the newest: a
// direction is claimed only when both fits make it (it has held for two strikes in a row, and it
// does not rest on the newest strike alone), and it is withdrawn on the first strike that
// contradicts it. Distances are compared only as measured from one place: where the person has
// moved more than kSamePlaceKm since a strike, its distance is taken from where its direction
// placed it, or left out. Strikes that fall into two groups, two storms at once, are not put on
// one line: the two are named and no motion is claimed. Where the trend and the track disagree on
// whether the storm comes, neither is claimed. Silence is honest; a wrong direction is not.

namespace storm {

// Distances measured this far apart are not compared as if from one place.
inline constexpr double kSamePlaceKm = 1.0;

// One of two storms at once: how far it is from the person, and in which direction where its
// strikes were placed.
struct StormCell {
  double km = 0;
  std::optional<double> bearingDegrees;
  int strikes = 0;
};

struct StormJudgment {
  // The trend and the track as the app claims them (the direction Unclear where one is withheld),
  // nothing where there are too few strikes for either; with why a direction was withheld.
  std::optional<Trend> trend;
  std::string trendReason;
  std::optional<Track> track;
  std::string trackReason;
  // Two storms, nearest first, when the strikes form two; empty otherwise.
  std::vector<StormCell> cells;
};

// The judgment at wall-clock `now` from `strikes` (oldest first, as the log keeps them) for a person
// at `here`, or, where that is not known, where they measured the newest strike from.
StormJudgment judgeStorm(std::span<const Strike> strikes, std::optional<GeoPoint> here, double now);

}  // namespace storm
