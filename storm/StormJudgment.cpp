#include "storm/StormJudgment.h"

#include <algorithm>
#include <cmath>

#include "storm/Thinning.h"

namespace storm {

namespace {

// Two groups are two storms when, once a straight line through the strikes in time is taken out,
// their centres lie at least this far apart and at least this many of their own spreads apart
// along the line between them, and their strikes come interleaved in time rather than one group
// after the other (a storm that moved). Nearer than that, one storm's scatter makes two groups
// too often for a moving storm to be told apart from two standing still.
constexpr double kCellsApartKm = 9;
constexpr double kCellsApartSpreads = 3.0;
constexpr int kLeastCellStrikes = 3;
constexpr int kLeastCellSwitches = 3;
// A track's heading may move this much from one strike to the next and still be the same claim.
constexpr double kSameHeadingDegrees = 45;
// The rate at which the track's centre nears or leaves the person that counts as a direction.
constexpr double kTrackRateKmh = 5;

struct Point {
  double time = 0;
  double x = 0, y = 0;  // km; y is 0 for distances alone
};

// The best split of `points` into two groups (two-means, from the two points farthest apart).
std::vector<int> twoMeans(const std::vector<Point>& points) {
  size_t a = 0, b = 0;
  double far = -1;
  for (size_t i = 0; i < points.size(); ++i)
    for (size_t j = i + 1; j < points.size(); ++j)
      if (const double d = std::hypot(points[i].x - points[j].x, points[i].y - points[j].y); d > far) {
        far = d;
        a = i;
        b = j;
      }
  double cx[2] = {points[a].x, points[b].x}, cy[2] = {points[a].y, points[b].y};
  std::vector<int> label(points.size(), 0);
  for (int round = 0; round < 10; ++round) {
    double sx[2] = {0, 0}, sy[2] = {0, 0}, n[2] = {0, 0};
    for (size_t i = 0; i < points.size(); ++i) {
      label[i] =
          std::hypot(points[i].x - cx[1], points[i].y - cy[1]) < std::hypot(points[i].x - cx[0], points[i].y - cy[0]);
      sx[label[i]] += points[i].x;
      sy[label[i]] += points[i].y;
      ++n[label[i]];
    }
    for (int k = 0; k < 2; ++k)
      if (n[k] > 0) {
        cx[k] = sx[k] / n[k];
        cy[k] = sy[k] / n[k];
      }
  }
  return label;
}

// The points less a straight line through them in time (least squares, each axis on its own): what
// is left of one moving storm is its scatter, of two storms their distance apart.
std::vector<Point> aboutTheirLine(const std::vector<Point>& points) {
  double mt = 0, mx = 0, my = 0;
  for (const Point& p : points) {
    mt += p.time;
    mx += p.x;
    my += p.y;
  }
  const double n = static_cast<double>(points.size());
  mt /= n;
  mx /= n;
  my /= n;
  double tt = 0, tx = 0, ty = 0;
  for (const Point& p : points) {
    tt += (p.time - mt) * (p.time - mt);
    tx += (p.time - mt) * (p.x - mx);
    ty += (p.time - mt) * (p.y - my);
  }
  const double bx = tt > 0 ? tx / tt : 0, by = tt > 0 ? ty / tt : 0;
  std::vector<Point> left;
  for (const Point& p : points) left.push_back({p.time, p.x - mx - bx * (p.time - mt), p.y - my - by * (p.time - mt)});
  return left;
}

// Two storms in `points` (sorted by time), or nothing.
std::vector<StormCell> twoCells(const std::vector<Point>& points, bool plane) {
  if (points.size() < 2 * static_cast<size_t>(kLeastCellStrikes)) return {};
  const std::vector<Point> left = aboutTheirLine(points);
  const std::vector<int> label = twoMeans(left);
  double sx[2] = {0, 0}, sy[2] = {0, 0}, n[2] = {0, 0};
  int switches = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    sx[label[i]] += points[i].x;
    sy[label[i]] += points[i].y;
    ++n[label[i]];
    switches += i > 0 && label[i] != label[i - 1];
  }
  // Interleaved: the group changes from one strike to the next at least half as often as it would
  // at random. A storm that moved, or that came and went again, changes group only once or twice.
  const double expected = 2 * n[0] * n[1] / (n[0] + n[1]) / (n[0] + n[1]) * (n[0] + n[1] - 1);
  if (n[0] < kLeastCellStrikes || n[1] < kLeastCellStrikes || switches < kLeastCellSwitches || switches < expected / 2)
    return {};
  const double cx[2] = {sx[0] / n[0], sx[1] / n[1]}, cy[2] = {sy[0] / n[0], sy[1] / n[1]};
  // The groups' spread about their own centres along one axis, pooled, and how far apart they are,
  // once the line is taken out.
  double lx[2] = {0, 0}, ly[2] = {0, 0};
  for (size_t i = 0; i < left.size(); ++i) {
    lx[label[i]] += left[i].x / n[label[i]];
    ly[label[i]] += left[i].y / n[label[i]];
  }
  const double apart = std::hypot(lx[0] - lx[1], ly[0] - ly[1]);
  if (apart < kCellsApartKm) return {};
  // The spread along the line between the two: across it, a storm's strikes may scatter wider (a
  // direction's error grows with the distance) without being two storms.
  const double ax = (lx[1] - lx[0]) / apart, ay = (ly[1] - ly[0]) / apart;
  double squares = 0;
  for (size_t i = 0; i < left.size(); ++i)
    squares += std::pow((left[i].x - lx[label[i]]) * ax + (left[i].y - ly[label[i]]) * ay, 2);
  if (apart < kCellsApartSpreads * std::sqrt(squares / (n[0] + n[1] - 2))) return {};
  std::vector<StormCell> cells;
  for (int k = 0; k < 2; ++k) {
    StormCell cell{std::hypot(cx[k], cy[k]), std::nullopt, static_cast<int>(n[k])};
    if (plane) cell.bearingDegrees = std::fmod(std::atan2(cx[k], cy[k]) * 180 / M_PI + 360, 360);
    cells.push_back(cell);
  }
  std::sort(cells.begin(), cells.end(), [](const StormCell& p, const StormCell& q) { return p.km < q.km; });
  return cells;
}

double kmBetween(GeoPoint a, GeoPoint b) {
  const auto [east, north] = localKm(a, b);
  return std::hypot(east, north);
}

// The distances of the trend's window as from `here`: as measured where that was within
// kSamePlaceKm of it (or where either place is unknown), from the strike's placed point where it
// has one, and not at all otherwise.
std::vector<Range> rangesFrom(std::span<const Strike> strikes, std::optional<GeoPoint> here, double now) {
  const auto outside = [now](const Strike& s) { return s.time > now || s.time < now - kTrendWindowSeconds; };
  std::vector<Range> ranges;
  ranges.reserve(strikes.size() - static_cast<size_t>(std::count_if(strikes.begin(), strikes.end(), outside)));
  for (const Strike& s : strikes) {
    if (outside(s)) continue;
    if (!here || !s.position || kmBetween(*here, {s.position->latitude, s.position->longitude}) <= kSamePlaceKm)
      ranges.push_back({s.time, s.km});
    else if (s.bearing && s.bearing->placed)
      ranges.push_back({s.time, kmBetween(*here, *s.bearing->placed)});
  }
  return ranges;
}

// The ranges without their newest.
std::vector<Range> withoutNewest(std::vector<Range> ranges) {
  const auto newest =
      std::max_element(ranges.begin(), ranges.end(), [](const Range& a, const Range& b) { return a.time < b.time; });
  if (newest != ranges.end()) ranges.erase(newest);
  return ranges;
}

// The placed strikes, which are all a track looks at, without the newest of them; in their order.
std::vector<Strike> withoutNewestPlaced(std::span<const Strike> strikes, double now) {
  const Strike* newest = nullptr;
  size_t placed = 0;
  for (const Strike& s : strikes)
    if (s.bearing && s.bearing->placed) {
      ++placed;
      if (s.time <= now && (!newest || s.time > newest->time)) newest = &s;
    }
  std::vector<Strike> rest;
  rest.reserve(placed);
  for (const Strike& s : strikes)
    if (s.bearing && s.bearing->placed && &s != newest) rest.push_back(s);
  return rest;
}

void withhold(Trend& trend, std::string& reason, std::string why) {
  trend.direction = TrendDirection::Unclear;
  trend.minutesTo10km.reset();
  reason = std::move(why);
}

void withhold(Track& track, std::string& reason, std::string why) {
  track.direction = TrackDirection::Unclear;
  track.closestKm.reset();
  track.closestInMinutes.reset();
  track.minutesTo10km.reset();
  reason = std::move(why);
}

// Why the newest fit's claim is not made: it did not hold without the newest strike.
std::string notHeld(bool before) { return before ? "the newest strike changed it" : "not yet held for two strikes"; }

void judgeTrend(StormJudgment& judgment, std::vector<Range> ranges, double now) {
  judgment.trend = trendOf(ranges, now);
  if (!judgment.trend) return;
  Trend& trend = *judgment.trend;
  if (trend.direction == TrendDirection::Unclear) {
    judgment.trendReason = trend.withheld ? trend.withheld : "within the scatter";
    return;
  }
  const std::optional<Trend> before = trendOf(withoutNewest(std::move(ranges)), now);
  if (!before || before->direction != trend.direction)
    withhold(trend, judgment.trendReason, notHeld(before && before->direction != TrendDirection::Unclear));
}

// -1 moving away, 0 keeping its distance, 1 coming: what a track says of the person's safety.
int sense(const Track& track) {
  switch (track.direction) {
    case TrackDirection::Approaching:
    case TrackDirection::Passing: return 1;
    case TrackDirection::MovingAway: return -1;
    default: return 0;
  }
}

void judgeTrack(StormJudgment& judgment, std::span<const Strike> strikes, GeoPoint here, double now) {
  judgment.track = trackAt(strikes, here, now);
  if (!judgment.track) return;
  Track& track = *judgment.track;
  if (track.direction == TrackDirection::Unclear) {
    judgment.trackReason = track.withheld ? track.withheld : "within the scatter";
    return;
  }
  const std::optional<Track> before = trackAt(withoutNewestPlaced(strikes, now), here, now);
  const bool held =
      before && before->direction != TrackDirection::Unclear && sense(*before) == sense(track) &&
      (track.direction == TrackDirection::Steady ||
       std::abs(std::remainder(before->headingDegrees - track.headingDegrees, 360.0)) <= kSameHeadingDegrees);
  if (!held) withhold(track, judgment.trackReason, notHeld(before && before->direction != TrackDirection::Unclear));
}

// Whether the claimed trend and track say different things of the storm coming.
bool disagree(const Trend& trend, const Track& track) {
  if (trend.direction == TrendDirection::Unclear || track.direction == TrackDirection::Unclear) return false;
  const double distance = std::hypot(track.eastKm, track.northKm);
  const double rate = distance > 0 ? (track.eastKm * track.eastKmh + track.northKm * track.northKmh) / distance : 0;
  switch (trend.direction) {
    case TrendDirection::Approaching: return sense(track) <= 0 && !(rate < -kTrackRateKmh);
    case TrendDirection::MovingAway: return sense(track) >= 0 && !(rate > kTrackRateKmh);
    case TrendDirection::Steady: return track.direction == TrackDirection::Approaching || std::abs(rate) > kSteadyKmh;
    case TrendDirection::Unclear: break;
  }
  return false;
}

}  // namespace

StormJudgment judgeStorm(std::span<const Strike> strikes, std::optional<GeoPoint> here, double now) {
  StormJudgment judgment;
  if (!here) {
    const Strike* newest = nullptr;
    for (const Strike& s : strikes)
      if (s.position && s.time <= now && (!newest || s.time > newest->time)) newest = &s;
    if (newest) here = GeoPoint{newest->position->latitude, newest->position->longitude};
  }
  std::vector<Range> ranges = rangesFrom(strikes, here, now);

  // Two storms at once: from where the strikes were placed, or else from their distances alone.
  // Thinned before the trend is judged, for a busy storm's points and ranges are many.
  std::vector<Point> placed, distances;
  for (const Strike& s : strikes)
    if (here && s.bearing && s.bearing->placed && s.time <= now && s.time >= now - kTrackWindowSeconds) {
      const auto [east, north] = localKm(*here, *s.bearing->placed);
      placed.push_back({s.time, east, north});
    }
  distances.reserve(ranges.size());
  for (const Range& r : ranges) distances.push_back({r.time, r.km, 0});
  for (auto* points : {&placed, &distances}) {
    std::sort(points->begin(), points->end(), [](const Point& a, const Point& b) { return a.time < b.time; });
    thinEvenly(*points, kTrackMostStrikes);  // the split into two groups costs their number squared
  }
  judgeTrend(judgment, std::move(ranges), now);
  if (here) judgeTrack(judgment, strikes, *here, now);
  judgment.cells = twoCells(placed, true);
  if (judgment.cells.empty()) judgment.cells = twoCells(distances, false);
  // Two storms seen at the strike before are not one storm because the newest blurs them: no
  // motion is claimed for them either.
  bool twoBefore = false;
  if (judgment.cells.empty() && placed.size() > 1 && distances.size() > 1) {
    placed.pop_back();
    distances.pop_back();
    twoBefore = !twoCells(placed, true).empty() || !twoCells(distances, false).empty();
  }
  if (!judgment.cells.empty() || twoBefore) {
    if (judgment.trend) withhold(*judgment.trend, judgment.trendReason, "two storms");
    if (judgment.track) withhold(*judgment.track, judgment.trackReason, "two storms");
  } else if (judgment.trend && judgment.track && disagree(*judgment.trend, *judgment.track)) {
    withhold(*judgment.trend, judgment.trendReason, "the trend and the track disagree");
    withhold(*judgment.track, judgment.trackReason, "the trend and the track disagree");
  }
  return judgment;
}

}  // namespace storm
