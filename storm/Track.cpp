#include "storm/Track.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>

#include "storm/Thinning.h"
#include "storm/Trend.h"

namespace storm {

namespace {

constexpr double kRadians = M_PI / 180;
constexpr double kEarthRadiusKm = 6371.0088;
// Reweighting: a strike within this many of its own standard errors of the line counts fully,
// farther ones less (Huber); after that, one beyond kLetGo of them is let go.
constexpr double kHuber = 2.0;
constexpr double kLetGo = 4.0;
constexpr int kHuberRounds = 6;
constexpr int kRejectRounds = 3;
// The median of a chi-square variable with two degrees of freedom (2 ln 2): what the squared
// standardised distance of a strike from the line has as its median when the model's scatter holds.
constexpr double kMedianChiSquare2 = 1.3862943611198906;
// Flashes within this of a strike's, before or after, are the ones its direction is held against;
// they agree on a direction when their directions' mean resultant is at least kAgreeing.
constexpr double kNeighbourSeconds = 10 * 60;
constexpr double kAgreeing = 0.7;
// The newest placed strikes' offset from the track, in standard errors, beyond which they do not
// agree with it (nearer than it expects matters most: see the trend).
constexpr double kRecentNearer = -1.0;
constexpr double kRecentFarther = 1.645;
// "Moving away" only when the storm leaves the person faster than this, and surely (one-sided 99 %).
constexpr double kLeavingKmh = 5;
constexpr double kSureOneSided = 2.326;

using Vector4 = std::array<double, 4>;
using Matrix4 = std::array<Vector4, 4>;

// A placed strike in the plane around the person: east and north in km, hours from the fit, and
// the inverse of its 2×2 covariance (a, b; b, c).
struct Placed {
  double east = 0, north = 0, hours = 0, time = 0;
  double a = 0, b = 0, c = 0;
  double weight = 1;
};

// Solves `m x = rhs` by Gaussian elimination with partial pivoting; false when `m` is singular.
bool solve(Matrix4 m, Vector4 rhs, Vector4& x) {
  for (int col = 0; col < 4; ++col) {
    int pivot = col;
    for (int row = col + 1; row < 4; ++row)
      if (std::abs(m[row][col]) > std::abs(m[pivot][col])) pivot = row;
    if (std::abs(m[pivot][col]) < 1e-12) return false;
    std::swap(m[col], m[pivot]);
    std::swap(rhs[col], rhs[pivot]);
    for (int row = col + 1; row < 4; ++row) {
      const double f = m[row][col] / m[col][col];
      for (int k = col; k < 4; ++k) m[row][k] -= f * m[col][k];
      rhs[row] -= f * rhs[col];
    }
  }
  for (int row = 3; row >= 0; --row) {
    double sum = rhs[row];
    for (int k = row + 1; k < 4; ++k) sum -= m[row][k] * x[k];
    x[row] = sum / m[row][row];
  }
  return true;
}

// The normal equations of the centre (east, north at the fit) and velocity (km/h) under the points'
// weights.
struct Fit {
  Vector4 beta{};    // east, north, east per hour, north per hour
  Matrix4 normal{};  // the information matrix
};

bool fit(const std::vector<Placed>& points, Fit& out) {
  Matrix4 m{};
  Vector4 rhs{};
  for (const Placed& p : points) {
    if (p.weight <= 0) continue;
    const double w = p.weight, t = p.hours;
    const double block[2][2] = {{p.a, p.b}, {p.b, p.c}};
    const double wp[2] = {p.a * p.east + p.b * p.north, p.b * p.east + p.c * p.north};
    for (int i = 0; i < 2; ++i) {
      for (int j = 0; j < 2; ++j) {
        m[i][j] += w * block[i][j];
        m[i][j + 2] += w * t * block[i][j];
        m[i + 2][j] += w * t * block[i][j];
        m[i + 2][j + 2] += w * t * t * block[i][j];
      }
      rhs[i] += w * wp[i];
      rhs[i + 2] += w * t * wp[i];
    }
  }
  out.normal = m;
  return solve(m, rhs, out.beta);
}

// How many of its own standard errors `p` lies off the fitted line.
double standardised(const Placed& p, const Vector4& beta) {
  const double de = p.east - beta[0] - beta[2] * p.hours, dn = p.north - beta[1] - beta[3] * p.hours;
  return std::sqrt(std::max(0.0, p.a * de * de + 2 * p.b * de * dn + p.c * dn * dn));
}

// The upper `tail` quantile of twice an F(2, k) variable: the ellipse a 2-vector estimated with a
// scatter of k degrees of freedom lies in (the chi-square quantile, -2 ln tail, when k is large).
double ellipseQuantile(double tail, double freedom) {
  if (freedom > 1e4) return -2 * std::log(tail);
  return freedom * (std::pow(tail, -2 / freedom) - 1);
}

// How much wider than the model the points scatter about the fit, robustly (from the median of
// their squared standardised distances), and never less than the model.
double robustScale(const std::vector<Placed>& points, const Vector4& beta) {
  std::vector<double> squares;
  for (const Placed& p : points) squares.push_back(std::pow(standardised(p, beta), 2));
  std::nth_element(squares.begin(), squares.begin() + static_cast<long>(squares.size() / 2), squares.end());
  return std::max(1.0, squares[squares.size() / 2] / kMedianChiSquare2);
}

// A placed strike with its covariance: the cell's scatter all round, the timing's error along the
// bearing and the direction's across it, then inverted.
Placed placedStrike(const Strike& s, GeoPoint here, double now) {
  Placed p;
  std::tie(p.east, p.north) = localKm(here, *s.bearing->placed);
  p.time = s.time;
  p.hours = (s.time - now) / 3600;
  const double theta = s.bearing->degrees * kRadians;
  const double ue = std::sin(theta), un = std::cos(theta);
  const double along = kDistanceErrorKm * kDistanceErrorKm, side = std::pow(s.km * kBearingErrorDegrees * kRadians, 2);
  const double s2 = kCellScatterKm * kCellScatterKm;
  const double cee = s2 + along * ue * ue + side * un * un;
  const double cnn = s2 + along * un * un + side * ue * ue;
  const double cen = (along - side) * ue * un;
  const double det = cee * cnn - cen * cen;
  p.a = cnn / det;
  p.b = -cen / det;
  p.c = cee / det;
  return p;
}

// Sets aside each strike whose direction from the person lies more than kSetAsideDegrees from the
// one that the flashes around it in time agree on; returns their flash times.
std::vector<double> setAsideWild(std::vector<Placed>& points) {
  std::vector<bool> wild(points.size(), false);
  for (size_t i = 0; i < points.size(); ++i) {
    if (std::hypot(points[i].east, points[i].north) < kOverheadKm) continue;
    double se = 0, sn = 0;
    int n = 0;
    for (size_t j = 0; j < points.size(); ++j) {
      const double d = std::hypot(points[j].east, points[j].north);
      if (j == i || d < kOverheadKm || std::abs(points[j].time - points[i].time) > kNeighbourSeconds) continue;
      se += points[j].east / d;
      sn += points[j].north / d;
      ++n;
    }
    if (n < 2 || std::hypot(se, sn) / n < kAgreeing) continue;
    const double apart = std::remainder(std::atan2(points[i].east, points[i].north) - std::atan2(se, sn), 2 * M_PI);
    wild[i] = std::abs(apart) > kSetAsideDegrees * kRadians;
  }
  std::vector<double> times;
  std::vector<Placed> kept;
  for (size_t i = 0; i < points.size(); ++i)
    if (wild[i])
      times.push_back(points[i].time);
    else
      kept.push_back(points[i]);
  points = std::move(kept);
  return times;
}

// Fits the line, then reweights by how far each strike lies off it against the scatter the
// strikes show; false when the points leave it undetermined.
bool robustFit(std::vector<Placed>& points, Fit& f) {
  if (!fit(points, f)) return false;
  for (int round = 0; round < kHuberRounds + kRejectRounds; ++round) {
    const bool reject = round >= kHuberRounds;
    const double spread = std::sqrt(robustScale(points, f.beta));
    for (Placed& p : points) {
      const double r = standardised(p, f.beta) / spread;
      p.weight = r <= kHuber ? 1 : (reject && r > kLetGo ? 0 : kHuber / r);
    }
    Fit next;
    if (!fit(points, next)) break;
    f = next;
  }
  return true;
}

// The newest points' mean distance from the person less the fitted centre's at their times, in
// standard errors of that mean.
double recentOffset(const std::vector<Placed>& points, const Vector4& beta, double scale) {
  double last = -1e300, first = 1e300;
  for (const Placed& p : points) {
    last = std::max(last, p.hours);
    first = std::min(first, p.hours);
  }
  const double from = last - (last - first) * kRecentShare;
  double offset = 0;
  int m = 0;
  for (const Placed& p : points)
    if (p.weight > 0 && p.hours >= from) {
      offset += std::hypot(p.east, p.north) - std::hypot(beta[0] + beta[2] * p.hours, beta[1] + beta[3] * p.hours);
      ++m;
    }
  if (m == 0) return 0;
  return offset / m / (kCellScatterKm * std::sqrt(scale / m));
}

}  // namespace

std::pair<double, double> localKm(GeoPoint here, GeoPoint point) {
  const double f1 = here.latitude * kRadians, f2 = point.latitude * kRadians;
  const double dl = std::remainder(point.longitude - here.longitude, 360.0) * kRadians;
  const double h = std::pow(std::sin((f2 - f1) / 2), 2) + std::cos(f1) * std::cos(f2) * std::pow(std::sin(dl / 2), 2);
  const double km = 2 * kEarthRadiusKm * std::asin(std::min(1.0, std::sqrt(h)));
  const double azimuth =
      std::atan2(std::sin(dl) * std::cos(f2), std::cos(f1) * std::sin(f2) - std::sin(f1) * std::cos(f2) * std::cos(dl));
  return {km * std::sin(azimuth), km * std::cos(azimuth)};
}

GeoPoint fromLocalKm(GeoPoint here, double eastKm, double northKm) {
  const double f1 = here.latitude * kRadians, d = std::hypot(eastKm, northKm) / kEarthRadiusKm;
  const double azimuth = std::atan2(eastKm, northKm);
  const double f2 =
      std::asin(std::clamp(std::sin(f1) * std::cos(d) + std::cos(f1) * std::sin(d) * std::cos(azimuth), -1.0, 1.0));
  const double dl =
      std::atan2(std::sin(azimuth) * std::sin(d) * std::cos(f1), std::cos(d) - std::sin(f1) * std::sin(f2));
  // Longitudes in [-180, 180).
  const double longitude = std::remainder(here.longitude + dl / kRadians, 360.0);
  return {f2 / kRadians, longitude >= 180 ? longitude - 360 : longitude};
}

namespace {

// The fitted line's covariance (the inverse of the information matrix, widened by how much wider
// than the model the strikes scatter) and the degrees of freedom of that scatter.
bool covariance(const std::vector<Placed>& points, const Fit& f, Matrix4& cov, int& freedom, double& scale) {
  int used = 0;
  double squares = 0;
  for (const Placed& p : points)
    if (p.weight > 0) {
      ++used;
      squares += p.weight * std::pow(standardised(p, f.beta), 2);
    }
  freedom = 2 * used - 4;
  if (used < kTrackLeastStrikes || freedom <= 0) return false;
  scale = std::max({1.0, squares / freedom, robustScale(points, f.beta)});
  for (int i = 0; i < 4; ++i) {
    Vector4 unit{};
    unit[i] = 1;
    if (!solve(f.normal, unit, cov[i])) return false;
    for (double& x : cov[i]) x *= scale;
  }
  return true;
}

// Where and when the claimed motion brings the centre nearest the person, how sure that is, and
// whether it is coming, passing or gone.
void closestApproach(Track& track, const Matrix4& cov, GeoPoint here) {
  const double ce = track.eastKm, cn = track.northKm, ve = track.eastKmh, vn = track.northKmh;
  const double speed = track.speedKmh;
  // Whether it still nears the person: its rate of approach now and how sure that is. Where the
  // closest approach was only just passed, by less than the rate's own error, it is the closest
  // approach now, not a storm moving away.
  const double distance = std::hypot(ce, cn);
  double hours = -(ce * ve + cn * vn) / (speed * speed);
  // Where the centre is this near, the storm is over the person whatever the fit says of its path.
  if (hours < 0 && distance <= kStraightForYouKm) hours = 0;
  if (hours < 0 && distance > 0) {
    const double ue = ce / distance, un = cn / distance, rate = ue * ve + un * vn;
    const Vector4 g{(ve - rate * ue) / distance, (vn - rate * un) / distance, ue, un};
    double variance = 0;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) variance += g[i] * cov[i][j] * g[j];
    if (rate - kSureOneSided * std::sqrt(std::max(0.0, variance)) <= kLeavingKmh) hours = 0;
  }
  const double pe = ce + ve * hours, pn = cn + vn * hours;
  const double closest = std::hypot(pe, pn);
  track.closestKm = closest;
  track.closestInMinutes = hours * 60;
  track.closestPoint = fromLocalKm(here, pe, pn);
  track.closestBearingDegrees = std::fmod(std::atan2(pe, pn) / kRadians + 360, 360);
  // How far off the nearest point may be across the path: the variance of the position at that
  // moment (centre + velocity × hours) across the motion.
  const Vector4 across{-vn / speed, ve / speed, -vn / speed * hours, ve / speed * hours};
  double variance = 0;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) variance += across[i] * cov[i][j] * across[j];
  track.closestErrorKm = std::sqrt(std::max(0.0, variance));
  if (hours < 0)
    track.direction = TrackDirection::MovingAway;
  else
    track.direction = closest + 1.96 * track.closestErrorKm <= kStraightForYouKm ? TrackDirection::Approaching
                                                                                 : TrackDirection::Passing;
  if (distance <= kCloseKilometres)
    track.minutesTo10km = 0.0;
  else if (hours > 0 && closest < kCloseKilometres)
    track.minutesTo10km = (hours - std::sqrt(kCloseKilometres * kCloseKilometres - closest * closest) / speed) * 60;
}

// The claim the fitted velocity allows: a motion where it stands clear of nothing (99.5 %: the track
// is judged again with every strike, and a storm standing still is not to be given a motion by
// one of those judgments in twenty), "steady" where its whole 95 % region is slow, and neither
// where the newest strikes disagree.
void classify(Track& track, const Matrix4& cov, int freedom, GeoPoint here) {
  const double vee = cov[2][2], ven = cov[2][3], vnn = cov[3][3];
  const double ve = track.eastKmh, vn = track.northKmh, speed = track.speedKmh;
  const double q95 = ellipseQuantile(0.05, freedom), q995 = ellipseQuantile(0.005, freedom);
  if (speed > 0) {
    const double pe = -vn / speed, pn = ve / speed;  // across the motion
    const double acrossError = std::sqrt(std::max(0.0, pe * pe * vee + 2 * pe * pn * ven + pn * pn * vnn));
    track.headingSpreadDegrees = std::min(90.0, std::atan2(std::sqrt(q95) * acrossError, speed) / kRadians);
  }
  // The claim: the speed's distance from nothing in its own standard errors (Mahalanobis).
  const double det = vee * vnn - ven * ven;
  const double significance = det > 0 ? (vnn * ve * ve - 2 * ven * ve * vn + vee * vn * vn) / det : 0;
  const double largest = (vee + vnn) / 2 + std::sqrt(std::pow((vee - vnn) / 2, 2) + ven * ven);
  if (speed > kFastestStormKmh) {
    track.withheld = "faster than storms move";
  } else if (significance > q995) {
    closestApproach(track, cov, here);
  } else if (speed + std::sqrt(q95 * largest) <= kSteadyKmh) {
    track.direction = TrackDirection::Steady;
  }
  const bool coming = track.direction == TrackDirection::Approaching || track.direction == TrackDirection::Passing;
  const bool nearer = track.recentOffset<kRecentNearer, farther = track.recentOffset> kRecentFarther;
  if ((coming && farther) || (!coming && track.direction != TrackDirection::Unclear && nearer)) {
    track.direction = TrackDirection::Unclear;
    track.withheld = nearer ? "newest strikes nearer than the track" : "newest strikes farther than the track";
  }
}

}  // namespace

std::optional<Track> trackAt(std::span<const Strike> strikes, GeoPoint here, double now) {
  std::vector<Placed> points;
  double first = now, last = now - kTrackWindowSeconds;
  for (const Strike& s : strikes) {
    if (!s.bearing || !s.bearing->placed || s.time > now || s.time < now - kTrackWindowSeconds) continue;
    if (!std::isfinite(s.km) || !std::isfinite(s.bearing->placed->latitude)) continue;
    points.push_back(placedStrike(s, here, now));
    first = std::min(first, s.time);
    last = std::max(last, s.time);
  }
  if (points.size() < static_cast<size_t>(kTrackLeastStrikes) || last - first < kTrackLeastSpanSeconds)
    return std::nullopt;
  // A busier half hour rests on kTrackMostStrikes of its placed strikes, spread evenly in time:
  // the set-aside test holds each against its neighbours.
  std::sort(points.begin(), points.end(), [](const Placed& a, const Placed& b) { return a.time < b.time; });
  thinEvenly(points, kTrackMostStrikes);
  Track track;
  track.setAside = setAsideWild(points);
  Fit f;
  Matrix4 cov{};
  int freedom = 0;
  double scale = 1;
  if (points.size() < static_cast<size_t>(kTrackLeastStrikes) || !robustFit(points, f) ||
      !covariance(points, f, cov, freedom, scale))
    return std::nullopt;
  track.strikes =
      static_cast<int>(std::count_if(points.begin(), points.end(), [](const Placed& p) { return p.weight > 0; }));
  track.time = now;
  track.eastKm = f.beta[0];
  track.northKm = f.beta[1];
  track.eastKmh = f.beta[2];
  track.northKmh = f.beta[3];
  track.speedKmh = std::hypot(f.beta[2], f.beta[3]);
  track.centre = fromLocalKm(here, f.beta[0], f.beta[1]);
  track.headingDegrees = track.speedKmh > 0 ? std::fmod(std::atan2(f.beta[2], f.beta[3]) / kRadians + 360, 360) : 0;
  track.recentOffset = recentOffset(points, f.beta, scale);
  classify(track, cov, freedom, here);
  return track;
}

std::optional<Track> trackAt(const std::vector<Strike>& strikes, double now) {
  const Strike* newest = nullptr;
  for (const Strike& s : strikes)
    if (s.position && s.bearing && s.bearing->placed && s.time <= now && s.time >= now - kTrackWindowSeconds &&
        (!newest || s.time > newest->time))
      newest = &s;
  if (!newest) return std::nullopt;
  return trackAt(strikes, {newest->position->latitude, newest->position->longitude}, now);
}

double Track::distanceAt(double when) const {
  const double hours = (when - time) / 3600;
  return std::hypot(eastKm + eastKmh * hours, northKm + northKmh * hours);
}

const char* trackDirectionName(TrackDirection direction) {
  switch (direction) {
    case TrackDirection::Approaching: return "approaching";
    case TrackDirection::MovingAway: return "moving away";
    case TrackDirection::Passing: return "passing";
    case TrackDirection::Steady: return "steady";
    case TrackDirection::Unclear: return "unclear";
  }
  return "unclear";
}

}  // namespace storm
