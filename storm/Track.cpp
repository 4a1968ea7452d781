#include "storm/Track.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "map/GeoMath.h"
#include "storm/Trend.h"

namespace storm {

namespace {

constexpr double kRadians = M_PI / 180;
// Reweighting: a strike within this many of its own standard errors of the line counts fully,
// farther ones less (Huber); after that, one beyond kLetGo of them is let go.
constexpr double kHuber = 2.0;
constexpr double kLetGo = 4.0;
constexpr int kHuberRounds = 6;
constexpr int kRejectRounds = 3;

using Vector4 = std::array<double, 4>;
using Matrix4 = std::array<Vector4, 4>;

// A placed strike in the plane around the person: east and north in km, hours from the fit, and
// the inverse of its 2×2 covariance (a, b; b, c).
struct Placed {
  double east = 0, north = 0, hours = 0;
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
  Vector4 beta{};   // east, north, east per hour, north per hour
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

}  // namespace

std::optional<Track> trackAt(const std::vector<Strike>& strikes, CLLocationCoordinate2D here, double now) {
  const double kmNorth = geo::metersPerDegreeLatitude(here.latitude) / 1000;
  const double kmEast = geo::metersPerDegreeLongitude(here.latitude) / 1000;
  std::vector<Placed> points;
  double first = now, last = now - kTrackWindowSeconds;
  const double across = kBearingErrorDegrees * kRadians;
  for (const Strike& s : strikes) {
    if (!s.bearing || !s.bearing->placed || s.time > now || s.time < now - kTrackWindowSeconds) continue;
    if (!std::isfinite(s.km) || !std::isfinite(s.bearing->placed->latitude)) continue;
    Placed p;
    p.east = std::remainder(s.bearing->placed->longitude - here.longitude, 360.0) * kmEast;
    p.north = (s.bearing->placed->latitude - here.latitude) * kmNorth;
    p.hours = (s.time - now) / 3600;
    // The covariance: the cell's scatter all round, the timing's error along the bearing (u) and
    // the direction's across it (w), then inverted.
    const double theta = s.bearing->degrees * kRadians;
    const double ue = std::sin(theta), un = std::cos(theta);
    const double along = kDistanceErrorKm * kDistanceErrorKm, side = std::pow(s.km * across, 2);
    const double s2 = kCellScatterKm * kCellScatterKm;
    const double cee = s2 + along * ue * ue + side * un * un;
    const double cnn = s2 + along * un * un + side * ue * ue;
    const double cen = (along - side) * ue * un;
    const double det = cee * cnn - cen * cen;
    p.a = cnn / det;
    p.b = -cen / det;
    p.c = cee / det;
    points.push_back(p);
    first = std::min(first, s.time);
    last = std::max(last, s.time);
  }
  if (points.size() < static_cast<size_t>(kTrackLeastStrikes) || last - first < kTrackLeastSpanSeconds)
    return std::nullopt;

  Fit f;
  if (!fit(points, f)) return std::nullopt;
  for (int round = 0; round < kHuberRounds + kRejectRounds; ++round) {
    const bool reject = round >= kHuberRounds;
    for (Placed& p : points) {
      const double r = standardised(p, f.beta);
      p.weight = reject ? (r <= kLetGo ? (r <= kHuber ? 1 : kHuber / r) : 0) : (r <= kHuber ? 1 : kHuber / r);
    }
    Fit next;
    if (!fit(points, next)) break;
    f = next;
  }

  // The scatter the strikes show about the line, never less than the model's; with it the
  // velocity's covariance.
  int used = 0;
  double squares = 0;
  for (const Placed& p : points)
    if (p.weight > 0) {
      ++used;
      squares += p.weight * std::pow(standardised(p, f.beta), 2);
    }
  const int freedom = 2 * used - 4;
  if (used < kTrackLeastStrikes || freedom <= 0) return std::nullopt;
  const double observed = squares / freedom;
  const bool wider = observed > 1;
  const double scale = std::max(1.0, observed);
  Matrix4 cov{};  // columns of the inverse of the information matrix, scaled
  for (int i = 0; i < 4; ++i) {
    Vector4 unit{};
    unit[i] = 1;
    if (!solve(f.normal, unit, cov[i])) return std::nullopt;
    for (double& x : cov[i]) x *= scale;
  }
  const double vee = cov[2][2], ven = cov[2][3], vnn = cov[3][3];

  Track track;
  track.strikes = used;
  track.time = now;
  track.eastKm = f.beta[0];
  track.northKm = f.beta[1];
  track.eastKmh = f.beta[2];
  track.northKmh = f.beta[3];
  const double ve = f.beta[2], vn = f.beta[3];
  const double speed = std::hypot(ve, vn);
  track.centre = {here.latitude + f.beta[1] / kmNorth, here.longitude + f.beta[0] / kmEast};
  track.speedKmh = speed;
  track.headingDegrees = speed > 0 ? std::fmod(std::atan2(ve, vn) / kRadians + 360, 360) : 0;
  const double k = wider ? static_cast<double>(freedom) : 1e9;
  const double q95 = ellipseQuantile(0.05, k), q99 = ellipseQuantile(0.01, k);
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
    track.direction = TrackDirection::Unclear;
  } else if (significance > q99) {
    const double ce = f.beta[0], cn = f.beta[1];
    const double hours = -(ce * ve + cn * vn) / (speed * speed);
    const double pe = ce + ve * hours, pn = cn + vn * hours;
    const double closest = std::hypot(pe, pn), distance = std::hypot(ce, cn);
    track.closestKm = closest;
    track.closestInMinutes = hours * 60;
    track.closestPoint = {here.latitude + pn / kmNorth, here.longitude + pe / kmEast};
    track.closestBearingDegrees = std::fmod(std::atan2(pe, pn) / kRadians + 360, 360);
    // How far off the nearest point may be across the path: the variance of the position at that
    // moment (centre + velocity × hours) across the motion.
    const Vector4 across{-vn / speed, ve / speed, -vn / speed * hours, ve / speed * hours};
    double variance = 0;
    for (int i = 0; i < 4; ++i)
      for (int j = 0; j < 4; ++j) variance += across[i] * cov[i][j] * across[j];
    const double closestError = std::sqrt(std::max(0.0, variance));
    if (hours <= 0)
      track.direction = TrackDirection::MovingAway;
    else
      track.direction = closest <= std::max(kOverheadKm, closestError) ? TrackDirection::Approaching
                                                                       : TrackDirection::Passing;
    if (distance <= kCloseKilometres)
      track.minutesTo10km = 0.0;
    else if (hours > 0 && closest < kCloseKilometres)
      track.minutesTo10km = (hours - std::sqrt(kCloseKilometres * kCloseKilometres - closest * closest) / speed) * 60;
  } else if (speed + std::sqrt(q95 * largest) <= kSteadyKmh) {
    track.direction = TrackDirection::Steady;
  }
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
