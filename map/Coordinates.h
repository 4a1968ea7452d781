#pragma once

// Positions and regions on the Earth, in degrees (doubles).

namespace storm {

struct CLLocationCoordinate2D {
  double latitude = 0;
  double longitude = 0;
  friend bool operator==(const CLLocationCoordinate2D&, const CLLocationCoordinate2D&) = default;
};

struct MKCoordinateSpan {
  double latitudeDelta = 0;
  double longitudeDelta = 0;
  friend bool operator==(const MKCoordinateSpan&, const MKCoordinateSpan&) = default;
};

struct MKCoordinateRegion {
  CLLocationCoordinate2D center;
  MKCoordinateSpan span;
  friend bool operator==(const MKCoordinateRegion&, const MKCoordinateRegion&) = default;
};

// The region around `center` that spans `latitudinalMeters` north to south and
// `longitudinalMeters` east to west, measured on the WGS 84 ellipsoid.
MKCoordinateRegion MKCoordinateRegionMakeWithDistance(CLLocationCoordinate2D center, double latitudinalMeters,
                                                      double longitudinalMeters);

}  // namespace storm
