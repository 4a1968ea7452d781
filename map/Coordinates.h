#pragma once

// Positions and regions on the Earth, in degrees (doubles).

namespace storm {

struct GeoPoint {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

struct GeoSpan {
  double latitudeDelta = 0;
  double longitudeDelta = 0;
  friend bool operator==(const GeoSpan&, const GeoSpan&) = default;
};

struct GeoRegion {
  GeoPoint center;
  GeoSpan span;
  friend bool operator==(const GeoRegion&, const GeoRegion&) = default;
};

// The region around `center` that spans `latitudinalMeters` north to south and
// `longitudinalMeters` east to west, measured on the WGS 84 ellipsoid.
GeoRegion regionWithDistance(GeoPoint center, double latitudinalMeters, double longitudinalMeters);

// The names the storm circle's own code (the main screen's map) gives these, as the platform's map
// service it was written against names them.
using CLLocationCoordinate2D = GeoPoint;
using MKCoordinateSpan = GeoSpan;
using MKCoordinateRegion = GeoRegion;
inline MKCoordinateRegion MKCoordinateRegionMakeWithDistance(CLLocationCoordinate2D center, double latitudinalMeters,
                                                             double longitudinalMeters) {
  return regionWithDistance(center, latitudinalMeters, longitudinalMeters);
}

}  // namespace storm
