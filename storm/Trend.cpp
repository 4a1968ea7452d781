#include "storm/Trend.h"

#include <algorithm>
#include <cmath>

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

// Student's t for a two-sided 95 % interval with `freedom` degrees of freedom.
double t95(int freedom) {
  static constexpr double kTable[] = {12.706, 4.303, 3.182, 2.776, 2.571, 2.447, 2.365, 2.306, 2.262, 2.228,
                                      2.201,  2.179, 2.160, 2.145, 2.131, 2.120, 2.110, 2.101, 2.093, 2.086};
  if (freedom < 1) return kTable[0];
  if (freedom <= 20) return kTable[freedom - 1];
  return kClaimStandardErrors + 2.5 / freedom;  // close to the table's tail and to 1.96 beyond
}

// The Theil–Sen slope of a robust line loses a little efficiency against least squares.
constexpr double kRobustSlopeCost = 1.05;
// A residual beyond this many of a storm's scatters counts as that many: one strike far off (a
// delay timed wrong) neither moves the line nor blurs it.
constexpr double kFarOffScatters = 3;

}  // namespace

std::optional<Trend> trendAt(const std::vector<Strike>& strikes, double now) {
  std::vector<const Strike*> window;
  for (const Strike& s : strikes)
    if (s.time <= now && s.time >= now - kTrendWindowSeconds && std::isfinite(s.km)) window.push_back(&s);
  if (window.size() < static_cast<size_t>(kTrendLeastStrikes)) return std::nullopt;
  const auto [first, last] = std::minmax_element(window.begin(), window.end(),
                                                 [](const Strike* a, const Strike* b) { return a->time < b->time; });
  if ((*last)->time - (*first)->time < kTrendLeastSpanSeconds) return std::nullopt;
  // The slopes between every two strikes grow with the square of their number: beyond a hand's
  // worth of strikes the line rests on ones spread evenly over the window, the first and the last
  // among them.
  if (window.size() > static_cast<size_t>(kTrendMostStrikes)) {
    const auto earlier = [](const Strike* a, const Strike* b) { return a->time < b->time; };
    // A log's strikes come oldest first: sorted already, as a look tells.
    if (!std::is_sorted(window.begin(), window.end(), earlier)) std::sort(window.begin(), window.end(), earlier);
    std::vector<const Strike*> spread(static_cast<size_t>(kTrendMostStrikes));
    const size_t n = window.size() - 1, k = spread.size() - 1;
    for (size_t i = 0; i <= k; ++i) spread[i] = window[i * n / k];
    window = std::move(spread);
  }

  // Minutes before now.
  auto minutes = [now](const Strike* s) { return (s->time - now) / 60.0; };
  std::vector<double> slopes;
  slopes.reserve(window.size() * (window.size() - 1) / 2);
  for (size_t i = 0; i < window.size(); ++i)
    for (size_t j = i + 1; j < window.size(); ++j) {
      const double dt = minutes(window[j]) - minutes(window[i]);
      if (dt != 0) slopes.push_back((window[j]->km - window[i]->km) / dt);
    }
  Trend trend;
  trend.kmPerMinute = median(slopes);
  std::vector<double> offsets, residuals;
  for (const Strike* s : window) offsets.push_back(s->km - trend.kmPerMinute * minutes(s));
  trend.distanceNow = median(offsets);
  double mean = 0;
  for (const Strike* s : window) mean += minutes(s);
  mean /= static_cast<double>(window.size());
  double sxx = 0;
  for (const Strike* s : window) {
    residuals.push_back(std::abs(s->km - trend.distanceAt(s->time, now)));
    sxx += (minutes(s) - mean) * (minutes(s) - mean);
  }

  // The scatter: what the strikes show (the residuals' spread about the line, a strike far off
  // counted as only so far off), but never less than a storm's own; with it the slope's standard
  // error and the interval it allows.
  double squares = 0;
  for (double r : residuals) squares += std::pow(std::min(r, kFarOffScatters * kStrikeScatterKm), 2);
  const double shown = std::sqrt(squares / static_cast<double>(window.size() - 2));
  const bool wider = shown > kStrikeScatterKm;
  const double scatter = std::hypot(std::max(shown, kStrikeScatterKm), kDistanceErrorKm);
  trend.standardError = kRobustSlopeCost * scatter / std::sqrt(sxx);
  trend.scatterKm = scatter;
  trend.strikes = static_cast<int>(window.size());
  trend.meanTime = now + mean * 60;
  const double interval = (wider ? t95(static_cast<int>(window.size()) - 2) : kClaimStandardErrors) *
                          trend.standardError;
  const double rate = std::abs(trend.kmPerMinute);
  if (rate * 60 > kFastestStormKmh) {
    trend.direction = TrendDirection::Unclear;
  } else if (rate > interval) {
    trend.direction = trend.kmPerMinute < 0 ? TrendDirection::Approaching : TrendDirection::MovingAway;
  } else if (rate + interval <= kSteadyKmh / 60) {
    trend.direction = TrendDirection::Steady;
  } else {
    trend.direction = TrendDirection::Unclear;
  }
  if (trend.direction == TrendDirection::Approaching)
    trend.minutesTo10km = trend.distanceNow <= kCloseKilometres
                              ? 0.0
                              : (trend.distanceNow - kCloseKilometres) / -trend.kmPerMinute;
  return trend;
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
