#pragma once

#include <vector>

#include "storm/Strike.h"

// Strikes more than half an hour apart belong to different storms: the log read as storms.

namespace storm {

inline constexpr double kStormGapSeconds = 30 * 60;

struct StormSpan {
  double start = 0;     // the first strike's flash
  double end = 0;       // the last one's
  int count = 0;
  double closestKm = 0;
  size_t first = 0;     // index of its first strike in the list it was found in
};

// The storms of `strikes` (oldest first), oldest first.
std::vector<StormSpan> stormsOf(const std::vector<Strike>& strikes);

}  // namespace storm
