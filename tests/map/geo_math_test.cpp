#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "map/GeoMath.h"

// The map's geometry against values worked out here another way: published lengths of a degree,
// arcs integrated numerically, Mercator through the inverse Gudermannian, and geodesics traced by
// integrating their differential equations.

namespace storm {
namespace {

constexpr double kPi = std::numbers::pi;
constexpr double kA = 6378137.0;
constexpr double kF = 1 / 298.257223563;
constexpr double kE2 = kF * (2 - kF);
double rad(double deg) { return deg * kPi / 180; }
double deg(double rad) { return rad * 180 / kPi; }

// Radii of curvature of the ellipsoid: along the meridian and at right angles to it.
double meridianRadius(double phi) { return kA * (1 - kE2) / std::pow(1 - kE2 * std::sin(phi) * std::sin(phi), 1.5); }
double normalRadius(double phi) { return kA / std::sqrt(1 - kE2 * std::sin(phi) * std::sin(phi)); }

// Length of the meridian between two latitudes, by Simpson's rule.
double meridianArc(double phi1, double phi2) {
  const int n = 2000;
  const double h = (phi2 - phi1) / n;
  double sum = meridianRadius(phi1) + meridianRadius(phi2);
  for (int i = 1; i < n; ++i) sum += meridianRadius(phi1 + i * h) * (i % 2 ? 4 : 2);
  return sum * h / 3;
}

// Radius of the parallel through the reduced latitude: a cos(beta), tan(beta) = (1 - f) tan(phi).
double parallelRadius(double phi) { return kA * std::cos(std::atan((1 - kF) * std::tan(phi))); }

// Web Mercator y from 0 (north) to 1 (south) through the inverse Gudermannian, and back.
double mercatorY(double latDeg) { return 0.5 - std::atanh(std::sin(rad(latDeg))) / (2 * kPi); }
double latitudeOfY(double y) { return deg(std::asin(std::tanh((0.5 - y) * 2 * kPi))); }

// ---- region from distance ----

struct DegreeLength {
  double latitude;
  double metresPerDegreeLatitude;
  double metresPerDegreeLongitude;
};

class PublishedDegreeLengths : public ::testing::TestWithParam<DegreeLength> {};

TEST_P(PublishedDegreeLengths, SpanOneDegree) {
  const auto& c = GetParam();
  const auto r = regionWithDistance({c.latitude, 10}, c.metresPerDegreeLatitude, c.metresPerDegreeLongitude);
  // The published lengths are rounded to the metre.
  EXPECT_NEAR(r.span.latitudeDelta, 1.0, 0.6 / c.metresPerDegreeLatitude);
  EXPECT_NEAR(r.span.longitudeDelta, 1.0, 0.6 / c.metresPerDegreeLongitude);
  EXPECT_EQ(r.center.latitude, c.latitude);
  EXPECT_EQ(r.center.longitude, 10);
}

INSTANTIATE_TEST_SUITE_P(Wgs84, PublishedDegreeLengths,
                         ::testing::Values(DegreeLength{0, 110574, 111320}, DegreeLength{15, 110649, 107551},
                                           DegreeLength{30, 110852, 96486}, DegreeLength{45, 111132, 78847},
                                           DegreeLength{60, 111412, 55800}, DegreeLength{-75, 111618, 28902}));

struct RegionCase {
  double latitude;
  double metres;
};

class RegionFromDistance : public ::testing::TestWithParam<RegionCase> {};

TEST_P(RegionFromDistance, SpansTheDistanceAlongTheMeridianAndTheParallel) {
  const auto& c = GetParam();
  const auto r = regionWithDistance({c.latitude, -3}, c.metres, c.metres);
  const double phi = rad(c.latitude);
  const double half = rad(r.span.latitudeDelta) / 2;
  EXPECT_NEAR(meridianArc(phi - half, phi + half), c.metres, 1e-6 * c.metres + 1e-9);
  EXPECT_NEAR(parallelRadius(phi) * rad(r.span.longitudeDelta), c.metres, 1e-6 * c.metres + 1e-9);
}

// The storm map's extents (twice the radius) from the measurement examples, and more.
INSTANTIATE_TEST_SUITE_P(Extents, RegionFromDistance,
                         ::testing::Values(RegionCase{0, 2041.739990234375}, RegionCase{51.5, 7146.08984375},
                                           RegionCase{-33.9, 19999.5234375}, RegionCase{60, 100000},
                                           RegionCase{78, 500}, RegionCase{45, 0}));

TEST(RegionFromDistance, IsCappedAtTheWholeGlobe) {
  const auto r = regionWithDistance({89.9999, 0}, 5e7, 5e7);
  EXPECT_EQ(r.span.latitudeDelta, 180);
  EXPECT_EQ(r.span.longitudeDelta, 360);
}

// ---- Web Mercator and fitting a region to the view ----

TEST(WebMercator, AgreesWithTheInverseGudermannian) {
  for (double lat : {-85.0, -60.0, -12.5, 0.0, 0.001, 33.3, 60.0, 85.0}) {
    EXPECT_NEAR(geo::worldY(lat), mercatorY(lat), 1e-12) << lat;
    EXPECT_NEAR(geo::latitudeFromWorldY(mercatorY(lat)), lat, 1e-9) << lat;
  }
  EXPECT_DOUBLE_EQ(geo::worldX(-180), 0);
  EXPECT_DOUBLE_EQ(geo::worldX(90), 0.75);
}

struct FitCase {
  Size view;
  double latitude;
  double latMetres;
  double lonMetres;
};

class FitToView : public ::testing::TestWithParam<FitCase> {};

TEST_P(FitToView, KeepsTheCentreAndGrowsOneSpanToTheViewsProportions) {
  const auto& c = GetParam();
  const GeoRegion wanted = regionWithDistance({c.latitude, 12}, c.latMetres, c.lonMetres);
  const geo::Camera camera = geo::cameraFittingRegion(wanted, c.view, 0, 19);
  const GeoRegion fitted = geo::regionForCamera(camera, c.view);

  // What the view needs, in world units at zoom 0, and the zoom that just holds it. The view is
  // centred on the region's centre, so the taller of its halves on the Mercator plane decides.
  const double half = wanted.span.latitudeDelta / 2;
  const double needWidth = wanted.span.longitudeDelta / 360;
  const double needHalfHeight = std::max(mercatorY(c.latitude) - mercatorY(c.latitude + half),
                                         mercatorY(c.latitude - half) - mercatorY(c.latitude));
  const double zoom = std::log2(std::min(c.view.width / needWidth, c.view.height / 2 / needHalfHeight) / 256);
  EXPECT_NEAR(camera.zoom, zoom, 1e-9);

  const double scale = 256 * std::exp2(zoom);
  const double north = latitudeOfY(mercatorY(c.latitude) - c.view.height / 2 / scale);
  const double south = latitudeOfY(mercatorY(c.latitude) + c.view.height / 2 / scale);
  EXPECT_EQ(fitted.center, wanted.center);
  // The region shown is the largest one centred on the centre that is all in view.
  const double shownSpan = 2 * std::min(north - c.latitude, c.latitude - south);
  EXPECT_NEAR(fitted.span.latitudeDelta, shownSpan, 1e-9 * shownSpan);
  EXPECT_NEAR(fitted.span.longitudeDelta, c.view.width / scale * 360, 1e-9 * fitted.span.longitudeDelta);

  // All of the wanted region stays in view, and it fills the view one way.
  EXPECT_GE(fitted.span.latitudeDelta, wanted.span.latitudeDelta * (1 - 1e-12));
  EXPECT_GE(fitted.span.longitudeDelta, wanted.span.longitudeDelta * (1 - 1e-12));
  const bool tightNorthSouth = std::abs(fitted.span.latitudeDelta / wanted.span.latitudeDelta - 1) < 1e-9;
  const bool tightEastWest = std::abs(fitted.span.longitudeDelta / wanted.span.longitudeDelta - 1) < 1e-9;
  EXPECT_TRUE(tightNorthSouth || tightEastWest);

  // Fitting what was fitted changes nothing.
  const GeoRegion again = geo::regionForCamera(geo::cameraFittingRegion(fitted, c.view, 0, 19), c.view);
  EXPECT_NEAR(again.span.latitudeDelta, fitted.span.latitudeDelta, 1e-9 * fitted.span.latitudeDelta);
  EXPECT_NEAR(again.span.longitudeDelta, fitted.span.longitudeDelta, 1e-9 * fitted.span.longitudeDelta);
}

INSTANTIATE_TEST_SUITE_P(PortraitAndLandscape, FitToView,
                         ::testing::Values(FitCase{{360, 640}, 45, 2041.74, 2041.74},
                                           FitCase{{640, 360}, 45, 2041.74, 2041.74},
                                           FitCase{{360, 640}, -33.9, 19999.5, 19999.5},
                                           FitCase{{640, 360}, 0, 7146.09, 7146.09},
                                           FitCase{{360, 640}, 60, 1000, 30000}, FitCase{{640, 360}, 60, 30000, 1000}));

TEST(FitToView, ClampsToTheZoomsOnOffer) {
  const Size view{360, 640};
  const GeoRegion point{{45, 7}, {0, 0}};
  EXPECT_EQ(geo::cameraFittingRegion(point, view, 0, 17).zoom, 17) << "0 m gives the closest zoom";
  const GeoRegion world{{0, 0}, {180, 360}};
  EXPECT_EQ(geo::cameraFittingRegion(world, view, 2, 17).zoom, 2);
}

// ---- geodesic circles ----

// Traces the geodesic from (lat, lon) at `bearing` for `metres` with fourth-order Runge-Kutta steps
// of the equations dphi/ds = cos(alpha)/M, dlambda/ds = sin(alpha)/(N cos(phi)),
// dalpha/ds = sin(alpha) tan(phi)/N.
GeoPoint traceGeodesic(double lat, double lon, double bearing, double metres) {
  struct S {
    double phi, lambda, alpha;
  };
  const auto derivative = [](const S& s) {
    const double n = normalRadius(s.phi);
    return S{std::cos(s.alpha) / meridianRadius(s.phi), std::sin(s.alpha) / (n * std::cos(s.phi)),
             std::sin(s.alpha) * std::tan(s.phi) / n};
  };
  const auto step = [](const S& s, const S& d, double h) {
    return S{s.phi + d.phi * h, s.lambda + d.lambda * h, s.alpha + d.alpha * h};
  };
  S s{rad(lat), rad(lon), rad(bearing)};
  const int steps = 4000;
  const double h = metres / steps;
  for (int i = 0; i < steps; ++i) {
    const S k1 = derivative(s);
    const S k2 = derivative(step(s, k1, h / 2));
    const S k3 = derivative(step(s, k2, h / 2));
    const S k4 = derivative(step(s, k3, h));
    s = {s.phi + h / 6 * (k1.phi + 2 * k2.phi + 2 * k3.phi + k4.phi),
         s.lambda + h / 6 * (k1.lambda + 2 * k2.lambda + 2 * k3.lambda + k4.lambda),
         s.alpha + h / 6 * (k1.alpha + 2 * k2.alpha + 2 * k3.alpha + k4.alpha)};
  }
  return {deg(s.phi), deg(s.lambda)};
}

struct CircleCase {
  double latitude;
  double radius;
};

class GeodesicCircle : public ::testing::TestWithParam<CircleCase> {};

TEST_P(GeodesicCircle, PointsLieOnTheGeodesicsAtTheRadius) {
  const auto& c = GetParam();
  const auto points = geo::geodesicCircle({c.latitude, 20}, c.radius, 16);
  ASSERT_EQ(points.size(), 16u);
  for (int i = 0; i < 16; ++i) {
    const auto expected = traceGeodesic(c.latitude, 20, 22.5 * i, c.radius);
    // 1e-8 degrees is about a millimetre.
    EXPECT_NEAR(points[i].latitude, expected.latitude, 1e-8) << "bearing " << 22.5 * i;
    EXPECT_NEAR(points[i].longitude, expected.longitude, 1e-8) << "bearing " << 22.5 * i;
  }
}

TEST_P(GeodesicCircle, ProjectsOntoTheMapAtTheLocalScale) {
  const auto& c = GetParam();
  // A zoom at which the circle is about 150 pixels across, as the storm map shows it.
  const double zoom = std::log2(150.0 / c.radius * 2 * kPi * kA * std::cos(rad(c.latitude)) / 256);
  const double scale = 256 * std::exp2(zoom);
  // Pixels per metre of the Web Mercator plane: east along the parallel, north along the meridian
  // (where y grows as sec(phi) per radian of latitude).
  const double phi = rad(c.latitude);
  const double east = scale / (2 * kPi * normalRadius(phi) * std::cos(phi));
  const double north = scale / (2 * kPi * meridianRadius(phi) * std::cos(phi));
  const auto points = geo::geodesicCircle({c.latitude, 20}, c.radius, 8);
  const double cx = geo::worldX(20) * scale, cy = geo::worldY(c.latitude) * scale;
  for (int i = 0; i < 8; ++i) {
    const double bearing = rad(45.0 * i);
    const double dx = geo::worldX(points[i].longitude) * scale - cx;
    const double dy = geo::worldY(points[i].latitude) * scale - cy;
    // The local scale holds to first order; what is left grows with radius / earth radius.
    EXPECT_NEAR(dx, c.radius * std::sin(bearing) * east, 0.6) << "bearing " << 45 * i;
    EXPECT_NEAR(dy, -c.radius * std::cos(bearing) * north, 0.6) << "bearing " << 45 * i;
  }
}

INSTANTIATE_TEST_SUITE_P(EquatorAnd60North, GeodesicCircle,
                         ::testing::Values(CircleCase{0.01, 1020.87}, CircleCase{0.01, 9999.76},
                                           CircleCase{60, 1020.87}, CircleCase{60, 9999.76}));

TEST(GeodesicCircle, StaysInOnePieceAcrossTheAntimeridian) {
  const auto points = geo::geodesicCircle({-16.5, 179.99}, 5000, 90);
  for (size_t i = 0; i < points.size(); ++i) {
    const auto& next = points[(i + 1) % points.size()];
    EXPECT_LT(std::abs(next.longitude - points[i].longitude), 0.01) << i;
  }
}

TEST(GroundResolution, MatchesTheParallelsLength) {
  for (double lat : {0.0, 45.0, 60.0}) {
    const double expected = 2 * kPi * parallelRadius(rad(lat)) / (256 * std::exp2(13.5));
    EXPECT_NEAR(geo::metersPerPixel(lat, 13.5), expected, 1e-9 * expected) << lat;
  }
}

}  // namespace
}  // namespace storm
