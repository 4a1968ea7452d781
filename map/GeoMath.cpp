#include "map/GeoMath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

namespace storm {

namespace {
constexpr double kDegree = std::numbers::pi / 180.0;
}

// Degrees from metres on the WGS 84 ellipsoid at the centre's latitude phi:
//   M(phi) = a (1 - e^2) / (1 - e^2 sin^2 phi)^(3/2)    metres per radian of latitude
//   N(phi) = a / sqrt(1 - e^2 sin^2 phi)                 metres per radian of longitude / cos phi
//   latitudeDelta  = latitudinalMeters  / (M(phi) * pi / 180)
//   longitudeDelta = longitudinalMeters / (N(phi) * cos phi * pi / 180)
// Spans are capped at the whole globe (180 degrees of latitude, 360 of longitude).
GeoRegion regionWithDistance(GeoPoint center, double latitudinalMeters, double longitudinalMeters) {
  const double perLat = geo::metersPerDegreeLatitude(center.latitude);
  const double perLon = geo::metersPerDegreeLongitude(center.latitude);
  double latDelta = std::min(std::abs(latitudinalMeters) / perLat, 180.0);
  double lonDelta = perLon > 0 ? std::min(std::abs(longitudinalMeters) / perLon, 360.0) : 360.0;
  return {center, {latDelta, lonDelta}};
}

namespace geo {

double metersPerDegreeLatitude(double latitude) {
  const double s = std::sin(latitude * kDegree);
  const double w = 1.0 - kWgs84EccentricitySquared * s * s;
  return kWgs84SemiMajorAxis * (1.0 - kWgs84EccentricitySquared) / (w * std::sqrt(w)) * kDegree;
}

double metersPerDegreeLongitude(double latitude) {
  const double s = std::sin(latitude * kDegree);
  const double n = kWgs84SemiMajorAxis / std::sqrt(1.0 - kWgs84EccentricitySquared * s * s);
  return std::max(0.0, n * std::cos(latitude * kDegree) * kDegree);
}

double worldX(double longitude) { return (longitude + 180.0) / 360.0; }

double worldY(double latitude) {
  const double lat = std::clamp(latitude, -kMercatorMaxLatitude, kMercatorMaxLatitude) * kDegree;
  return 0.5 - std::log(std::tan(std::numbers::pi / 4 + lat / 2)) / (2 * std::numbers::pi);
}

double longitudeFromWorldX(double x) { return x * 360.0 - 180.0; }

double latitudeFromWorldY(double y) {
  return (2 * std::atan(std::exp((0.5 - y) * 2 * std::numbers::pi)) - std::numbers::pi / 2) / kDegree;
}

GeoPoint destination(GeoPoint origin, double bearing, double distance) {
  // Vincenty (1975), direct problem. U is the reduced latitude, sigma the angular distance on the
  // auxiliary sphere, alpha the azimuth of the geodesic where it crosses the equator.
  const double a = kWgs84SemiMajorAxis;
  const double f = kWgs84Flattening;
  const double b = a * (1 - f);
  const double alpha1 = bearing * kDegree;
  const double sinAlpha1 = std::sin(alpha1);
  const double cosAlpha1 = std::cos(alpha1);
  const double tanU1 = (1 - f) * std::tan(origin.latitude * kDegree);
  const double cosU1 = 1 / std::sqrt(1 + tanU1 * tanU1);
  const double sinU1 = tanU1 * cosU1;
  const double sigma1 = std::atan2(tanU1, cosAlpha1);
  const double sinAlpha = cosU1 * sinAlpha1;
  const double cosSqAlpha = 1 - sinAlpha * sinAlpha;
  const double uSq = cosSqAlpha * (a * a - b * b) / (b * b);
  const double A = 1 + uSq / 16384 * (4096 + uSq * (-768 + uSq * (320 - 175 * uSq)));
  const double B = uSq / 1024 * (256 + uSq * (-128 + uSq * (74 - 47 * uSq)));

  double sigma = distance / (b * A);
  double cos2SigmaM = 0, sinSigma = 0, cosSigma = 0;
  for (int i = 0; i < 100; ++i) {  // converges in a handful of rounds; the cap guards against NaN input
    cos2SigmaM = std::cos(2 * sigma1 + sigma);
    sinSigma = std::sin(sigma);
    cosSigma = std::cos(sigma);
    const double deltaSigma =
        B * sinSigma *
        (cos2SigmaM + B / 4 *
                          (cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM) -
                           B / 6 * cos2SigmaM * (-3 + 4 * sinSigma * sinSigma) * (-3 + 4 * cos2SigmaM * cos2SigmaM)));
    const double next = distance / (b * A) + deltaSigma;
    const bool done = std::abs(next - sigma) < 1e-12;
    sigma = next;
    if (done) break;
  }
  cos2SigmaM = std::cos(2 * sigma1 + sigma);
  sinSigma = std::sin(sigma);
  cosSigma = std::cos(sigma);

  const double x = sinU1 * sinSigma - cosU1 * cosSigma * cosAlpha1;
  const double phi2 =
      std::atan2(sinU1 * cosSigma + cosU1 * sinSigma * cosAlpha1, (1 - f) * std::sqrt(sinAlpha * sinAlpha + x * x));
  const double lambda = std::atan2(sinSigma * sinAlpha1, cosU1 * cosSigma - sinU1 * sinSigma * cosAlpha1);
  const double C = f / 16 * cosSqAlpha * (4 + f * (4 - 3 * cosSqAlpha));
  const double L =
      lambda - (1 - C) * f * sinAlpha *
                   (sigma + C * sinSigma * (cos2SigmaM + C * cosSigma * (-1 + 2 * cos2SigmaM * cos2SigmaM)));
  return {phi2 / kDegree, origin.longitude + L / kDegree};
}

std::vector<GeoPoint> geodesicCircle(GeoPoint center, double radius, int count) {
  std::vector<GeoPoint> points;
  points.reserve(static_cast<size_t>(std::max(count, 0)));
  for (int i = 0; i < count; ++i) points.push_back(destination(center, 360.0 * i / count, radius));
  return points;
}

double metersPerPixel(double latitude, double zoom) {
  return metersPerDegreeLongitude(latitude) * 360.0 / (kTileSize * std::exp2(zoom));
}

// A region is a centre with a span on either side of it, so its north and south edges lie the same
// number of degrees from the centre. On the Mercator plane the northern half of such a region is
// taller than the southern half (north of the equator), and the view is centred on the centre: the
// zoom is chosen so that the taller half fits half the view's height, and the region a view shows
// is the largest one centred on its centre that it shows whole. So fitting a fitted region changes
// nothing, and a fitted region always contains the one asked for.
Camera cameraFittingRegion(const GeoRegion& region, Size viewSize, double minZoom, double maxZoom) {
  const double halfLat = std::abs(region.span.latitudeDelta) / 2;
  const double cy = worldY(region.center.latitude);
  const double needWidth = std::abs(region.span.longitudeDelta) / 360.0;
  const double needHalfHeight =
      std::max(cy - worldY(region.center.latitude + halfLat), worldY(region.center.latitude - halfLat) - cy);
  const double inf = std::numeric_limits<double>::infinity();
  const double scaleX = needWidth > 0 ? viewSize.width / needWidth : inf;
  const double scaleY = needHalfHeight > 0 ? viewSize.height / 2 / needHalfHeight : inf;
  const double scale = std::min(scaleX, scaleY);  // pixels per world unit
  double zoom = std::isfinite(scale) && scale > 0 ? std::log2(scale / kTileSize) : maxZoom;
  if (std::isnan(zoom)) zoom = minZoom;
  return {region.center, std::clamp(zoom, minZoom, maxZoom)};
}

GeoRegion regionForCamera(const Camera& camera, Size viewSize) {
  const double scale = kTileSize * std::exp2(camera.zoom);
  const double cy = worldY(camera.center.latitude);
  const double north = latitudeFromWorldY(std::max(0.0, cy - viewSize.height / 2 / scale));
  const double south = latitudeFromWorldY(std::min(1.0, cy + viewSize.height / 2 / scale));
  const double latSpan = 2 * std::min(north - camera.center.latitude, camera.center.latitude - south);
  const double lonSpan = std::min(360.0, viewSize.width / scale * 360.0);
  return {camera.center, {std::max(0.0, latSpan), lonSpan}};
}

}  // namespace geo
}  // namespace storm
