#include "storm/Trend.h"

#include <algorithm>
#include <cmath>

#include "storm/Thinning.h"

namespace storm {

namespace {

double median(std::vector<double> values) {
  if (values.empty()) return 0;
  const size_t middle = values.size() / 2;
  std::nth_element(values.begin(), values.begin() + static_cast<long>(middle), values.end());
  const double upper = values[middle];
  if (values.size() % 2 == 1) return upper;
  return (*std::max_element(values.begin(), values.begin() + static_cast<long>(middle)) + upper) / 2;
}

// The Theil–Sen slope of a robust line loses a little efficiency against least squares.
constexpr double kRobustSlopeCost = 1.05;
// A residual beyond this many of a storm's scatters counts as that many: one strike far off (a
// delay timed wrong) neither moves the line nor blurs it.
constexpr double kFarOffScatters = 3;
// The newest strikes' offset from the line, in its standard errors, beyond which they do not agree
// with it: a storm that has begun to come, or has passed, shows first in its newest strikes.
constexpr double kRecentNearer = -1.0;
constexpr double kRecentFarther = 1.0;

// The newest ranges' mean offset from the trend's line, in its standard errors.
double recentOffset(const std::vector<Range>& window, const Trend& trend, double now, double sxx, double mean) {
  const double from = window.back().time - (window.back().time - window.front().time) * kRecentShare;
  size_t first = window.size();
  while (first > 0 && (window[first - 1].time >= from || window.size() - first < 2)) --first;
  const double m = static_cast<double>(window.size() - first), n = static_cast<double>(window.size());
  double offset = 0, minutes = 0;
  for (size_t i = first; i < window.size(); ++i) {
    offset += window[i].km - trend.distanceAt(window[i].time, now);
    minutes += (window[i].time - now) / 60;
  }
  offset /= m;
  minutes /= m;
  // A residual's mean has less spread than the strikes by what the line itself took up of them.
  const double share = std::max(0.1 / m, 1 / m - 1 / n - (minutes - mean) * (minutes - mean) / sxx);
  return offset / (trend.scatterKm * std::sqrt(share));
}

// The robust line through the window (sorted by time): its slope, distance now, scatter and the
// slope's standard error, and how far its newest strikes lie off it; returns the scatter's degrees
// of freedom.
int fitLine(const std::vector<Range>& window, double now, Trend& trend) {
  // Minutes before now.
  auto minutes = [now](const Range& r) { return (r.time - now) / 60.0; };
  std::vector<double> slopes;
  slopes.reserve(window.size() * (window.size() - 1) / 2);
  for (size_t i = 0; i < window.size(); ++i)
    for (size_t j = i + 1; j < window.size(); ++j) {
      const double dt = minutes(window[j]) - minutes(window[i]);
      if (dt != 0) slopes.push_back((window[j].km - window[i].km) / dt);
    }
  trend.kmPerMinute = median(slopes);
  std::vector<double> offsets;
  for (const Range& r : window) offsets.push_back(r.km - trend.kmPerMinute * minutes(r));
  trend.distanceNow = median(offsets);
  double mean = 0;
  for (const Range& r : window) mean += minutes(r);
  mean /= static_cast<double>(window.size());
  double sxx = 0, squares = 0;
  for (const Range& r : window) {
    sxx += (minutes(r) - mean) * (minutes(r) - mean);
    // The scatter the strikes show about the line, a strike far off counted as only so far off.
    const double residual = std::abs(r.km - trend.distanceAt(r.time, now));
    squares += std::pow(std::min(residual, kFarOffScatters * kStrikeScatterKm), 2);
  }
  const int freedom = static_cast<int>(window.size()) - 2;
  // Never less than a storm's own scatter.
  trend.scatterKm = std::hypot(std::max(std::sqrt(squares / freedom), kStrikeScatterKm), kDistanceErrorKm);
  trend.standardError = kRobustSlopeCost * trend.scatterKm / std::sqrt(sxx);
  trend.strikes = static_cast<int>(window.size());
  trend.meanTime = now + mean * 60;
  trend.recentOffset = recentOffset(window, trend, now, sxx, mean);
  return freedom;
}

// The claim the slope allows. A direction is named only where it is beyond the slope's 99 %
// interval: the trend is judged again with every strike, and a storm that keeps its distance is not
// to be given a direction by one of those judgments in twenty. Newest strikes that disagree with
// the line withhold what they contradict.
void classify(Trend& trend, int freedom) {
  const double interval = studentT99(freedom) * trend.standardError;
  const double steadyInterval = studentT95(freedom) * trend.standardError;
  const double rate = std::abs(trend.kmPerMinute);
  if (rate * 60 > kFastestStormKmh) {
    trend.withheld = "faster than storms move";
  } else if (rate > interval) {
    trend.direction = trend.kmPerMinute < 0 ? TrendDirection::Approaching : TrendDirection::MovingAway;
  } else if (rate + steadyInterval <= kSteadyKmh / 60) {
    trend.direction = TrendDirection::Steady;
  }
  const bool nearer = trend.recentOffset < kRecentNearer, farther = trend.recentOffset > kRecentFarther;
  if ((trend.direction == TrendDirection::Approaching && farther) ||
      (trend.direction != TrendDirection::Approaching && trend.direction != TrendDirection::Unclear && nearer)) {
    trend.direction = TrendDirection::Unclear;
    trend.withheld = nearer ? "newest strikes nearer than the trend" : "newest strikes farther than the trend";
  }
}

}  // namespace

namespace {

// Student's t from a table of its first twenty degrees of freedom; beyond them, close to the
// table's tail and to the normal's `normal`, which it nears as `tail / freedom`.
double studentT(const double (&table)[20], int freedom, double normal, double tail) {
  if (freedom < 1) return table[0];
  if (freedom <= 20) return table[freedom - 1];
  return normal + tail / freedom;
}

}  // namespace

double studentT95(int freedom) {
  static constexpr double kTable[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                                      2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086};
  return studentT(kTable, freedom, 1.96, 2.5);
}

double studentT99(int freedom) {
  static constexpr double kTable[] = {63.657, 9.925, 5.841, 4.604, 4.032, 3.707, 3.499, 3.355, 3.250, 3.169,
                                      3.106,  3.055, 3.012, 2.977, 2.947, 2.921, 2.898, 2.878, 2.861, 2.845};
  return studentT(kTable, freedom, 2.576, 5.4);
}

std::optional<Trend> trendOf(std::vector<Range> window, double now) {
  // The window's ranges, in their order: taken in place, for a busy storm's are many.
  std::erase_if(window, [now](const Range& r) {
    return !(r.time <= now && r.time >= now - kTrendWindowSeconds && std::isfinite(r.km));
  });
  if (window.size() < static_cast<size_t>(kTrendLeastStrikes)) return std::nullopt;
  const auto earlier = [](const Range& a, const Range& b) { return a.time < b.time; };
  // A log's strikes come oldest first: sorted already, as a look tells.
  if (!std::is_sorted(window.begin(), window.end(), earlier)) std::sort(window.begin(), window.end(), earlier);
  if (window.back().time - window.front().time < kTrendLeastSpanSeconds) return std::nullopt;
  // The slopes between every two strikes grow with the square of their number.
  thinEvenly(window, kTrendMostStrikes);

  Trend trend;
  const int freedom = fitLine(window, now, trend);
  classify(trend, freedom);
  if (trend.direction == TrendDirection::Approaching)
    trend.minutesTo10km = trend.distanceNow <= kCloseKilometres
                              ? 0.0
                              : (trend.distanceNow - kCloseKilometres) / -trend.kmPerMinute;
  return trend;
}

std::optional<Trend> trendAt(const std::vector<Strike>& strikes, double now) {
  std::vector<Range> ranges;
  ranges.reserve(strikes.size());
  for (const Strike& s : strikes) ranges.push_back({s.time, s.km});
  return trendOf(std::move(ranges), now);
}

double Trend::distanceError(double time) const {
  if (strikes < 1) return 0;
  const double minutes = (time - meanTime) / 60;
  return std::sqrt(scatterKm * scatterKm / strikes + standardError * standardError * minutes * minutes);
}

const char* directionName(TrendDirection direction) {
  switch (direction) {
    case TrendDirection::Approaching: return "approaching";
    case TrendDirection::MovingAway: return "moving away";
    case TrendDirection::Steady: return "steady";
    case TrendDirection::Unclear: return "unclear";
  }
  return "unclear";
}

}  // namespace storm
