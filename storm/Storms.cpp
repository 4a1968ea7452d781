#include "storm/Storms.h"

#include <algorithm>

namespace storm {

std::vector<StormSpan> stormsOf(const std::vector<Strike>& strikes) {
  std::vector<StormSpan> storms;
  for (size_t i = 0; i < strikes.size(); ++i) {
    const Strike& s = strikes[i];
    if (storms.empty() || s.time - storms.back().end > kStormGapSeconds)
      storms.push_back({s.time, s.time, 0, s.km, i});
    StormSpan& storm = storms.back();
    storm.end = s.time;
    ++storm.count;
    storm.closestKm = std::min(storm.closestKm, s.km);
  }
  return storms;
}

}  // namespace storm
