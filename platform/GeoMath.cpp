#include "platform/GeoMath.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "platform/Map.h"

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
MKCoordinateRegion MKCoordinateRegionMakeWithDistance(CLLocationCoordinate2D center, double latitudinalMeters,
                                                      double longitudinalMeters) {
  const double perLat = geo::metersPerDegreeLatitude(center.latitude);
  const double perLon = geo::metersPerDegreeLongitude(center.latitude);
  double latDelta = std::min(std::abs(latitudinalMeters) / perLat, 180.0);
  double lonDelta = perLon > 0 ? std::min(std::abs(longitudinalMeters) / perLon, 360.0) : 360.0;
  return {center, {latDelta, lonDelta}};
}

std::shared_ptr<MKCircle> MKCircle::circleWithCenterCoordinate(CLLocationCoordinate2D center, double radius) {
  return std::make_shared<MKCircle>(center, radius);
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

CLLocationCoordinate2D destination(CLLocationCoordinate2D origin, double bearing, double distance) {
  // Mean radius R1 = (2a + b) / 3 of the ellipsoid.
  const double b = kWgs84SemiMajorAxis * (1 - kWgs84Flattening);
  const double radius = (2 * kWgs84SemiMajorAxis + b) / 3;
  const double delta = distance / radius;
  const double theta = bearing * kDegree;
  const double phi1 = origin.latitude * kDegree;
  const double lambda1 = origin.longitude * kDegree;
  const double phi2 =
      std::asin(std::sin(phi1) * std::cos(delta) + std::cos(phi1) * std::sin(delta) * std::cos(theta));
  const double lambda2 = lambda1 + std::atan2(std::sin(theta) * std::sin(delta) * std::cos(phi1),
                                              std::cos(delta) - std::sin(phi1) * std::sin(phi2));
  return {phi2 / kDegree, lambda2 / kDegree};
}

Camera cameraFittingRegion(const MKCoordinateRegion& region, Size viewSize, double minZoom, double maxZoom) {
  // The view stays centred on the region's centre, and Mercator stretches the northern half of a
  // northern region more than the southern: the taller half decides the height needed.
  const double halfLat = std::abs(region.span.latitudeDelta) / 2;
  const double needWidth = std::abs(region.span.longitudeDelta) / 360.0;
  const double cy = worldY(region.center.latitude);
  const double needHeight = 2 * std::max(cy - worldY(region.center.latitude + halfLat),
                                         worldY(region.center.latitude - halfLat) - cy);
  const double inf = std::numeric_limits<double>::infinity();
  const double scaleX = needWidth > 0 ? viewSize.width / needWidth : inf;
  const double scaleY = needHeight > 0 ? viewSize.height / needHeight : inf;
  const double scale = std::min(scaleX, scaleY);  // pixels per world unit
  double zoom = std::isfinite(scale) && scale > 0 ? std::log2(scale / kTileSize) : maxZoom;
  return {region.center, std::clamp(zoom, minZoom, maxZoom)};
}

MKCoordinateRegion regionForCamera(const Camera& camera, Size viewSize) {
  const double scale = kTileSize * std::exp2(camera.zoom);
  const double cy = worldY(camera.center.latitude);
  const double north = latitudeFromWorldY(std::max(0.0, cy - viewSize.height / 2 / scale));
  const double south = latitudeFromWorldY(std::min(1.0, cy + viewSize.height / 2 / scale));
  const double lonSpan = std::min(360.0, viewSize.width / scale * 360.0);
  return {camera.center, {north - south, lonSpan}};
}

}  // namespace geo
}  // namespace storm
