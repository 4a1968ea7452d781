#include "storm/Trend.h"

#include <algorithm>
#include <cmath>

namespace storm {

std::optional<Trend> trendAt(const std::vector<Strike>& strikes, double now) {
  std::vector<const Strike*> window;
  for (const Strike& s : strikes)
    if (s.time <= now && s.time >= now - kTrendWindowSeconds) window.push_back(&s);
  const auto n = static_cast<double>(window.size());
  if (window.size() < 2) return std::nullopt;

  // Minutes relative to the window's mean time keep the sums small and well conditioned.
  double meanT = 0, meanD = 0;
  for (const Strike* s : window) {
    meanT += s->time / 60.0;
    meanD += s->km;
  }
  meanT /= n;
  meanD /= n;
  double sxx = 0, sxy = 0;
  for (const Strike* s : window) {
    const double dt = s->time / 60.0 - meanT;
    sxx += dt * dt;
    sxy += dt * (s->km - meanD);
  }
  Trend trend;
  // Strikes all at one instant say nothing about motion.
  if (sxx <= 0) return trend;
  const double slope = sxy / sxx;
  double residuals = 0;
  for (const Strike* s : window) {
    const double r = s->km - (meanD + slope * (s->time / 60.0 - meanT));
    residuals += r * r;
  }
  const double fitted = window.size() > 2 ? std::sqrt(residuals / (n - 2) / sxx) : 0.0;
  const double floor = kDistanceErrorKm / std::sqrt(sxx);
  const double standardError = std::max(fitted, floor);

  trend.kmPerMinute = slope;
  if (std::abs(slope) <= standardError) {
    trend.direction = TrendDirection::Steady;
  } else if (slope < 0) {
    trend.direction = TrendDirection::Approaching;
    const double distanceNow = meanD + slope * (now / 60.0 - meanT);
    trend.minutesTo10km = distanceNow <= kCloseKilometres ? 0.0 : (distanceNow - kCloseKilometres) / -slope;
  } else {
    trend.direction = TrendDirection::MovingAway;
  }
  return trend;
}

const char* directionName(TrendDirection direction) {
  switch (direction) {
    case TrendDirection::Approaching: return "approaching";
    case TrendDirection::MovingAway: return "moving away";
    case TrendDirection::Steady: return "steady";
  }
  return "steady";
}

}  // namespace storm
