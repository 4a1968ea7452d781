#pragma once

#include <vector>

#include "map/Coordinates.h"
#include "system/Geometry.h"

// Geodesy and Web Mercator arithmetic shared by the map and its tests.

namespace storm::geo {

inline constexpr double kWgs84SemiMajorAxis = 6378137.0;                                          // a, metres
inline constexpr double kWgs84Flattening = 1.0 / 298.257223563;                                   // f
inline constexpr double kWgs84EccentricitySquared = kWgs84Flattening * (2.0 - kWgs84Flattening);  // e^2
inline constexpr double kMercatorMaxLatitude = 85.05112877980659;  // where the square world ends
inline constexpr double kTileSize = 256.0;

// Metres along the meridian per degree of latitude at `latitude`, and along the parallel per degree
// of longitude (meridional and prime-vertical radii of curvature of the ellipsoid).
double metersPerDegreeLatitude(double latitude);
double metersPerDegreeLongitude(double latitude);

// Web Mercator "world" coordinates: x and y from 0 to 1, y growing southwards.
double worldX(double longitude);
double worldY(double latitude);
double longitudeFromWorldX(double x);
double latitudeFromWorldY(double y);

// The point at `distance` metres from `origin` along the geodesic that leaves it at `bearing` (degrees
// clockwise from north), on the WGS 84 ellipsoid (Vincenty's direct solution, sub-millimetre for any
// distance a storm circle can have).
GeoPoint destination(GeoPoint origin, double bearing, double distance);

// `count` points of the geodesic circle of `radius` metres around `center`, at evenly spaced bearings
// starting due north and turning clockwise. Longitudes are continuous around the circle (they may
// leave -180..180 near the antimeridian) so that the ring can be projected without a seam.
std::vector<GeoPoint> geodesicCircle(GeoPoint center, double radius, int count);

// Ground metres per pixel along the parallel at `latitude` when the world is `256 * 2^zoom` pixels wide.
double metersPerPixel(double latitude, double zoom);

// What a map view shows: a centre and a (fractional) zoom, where zoom z draws the world
// 256 * 2^z pixels wide.
struct Camera {
  GeoPoint center;
  double zoom = 0;
};

// The camera centred on `region` that shows all of it in a view of `viewSize` (as closely as it can),
// its zoom clamped to the range; a region of no size gets `maxZoom`.
Camera cameraFittingRegion(const GeoRegion& region, Size viewSize, double minZoom, double maxZoom);
// The largest region centred on the camera's centre that a view of `viewSize` shows whole.
// Fitting it again gives the same camera.
GeoRegion regionForCamera(const Camera& camera, Size viewSize);

}  // namespace storm::geo
