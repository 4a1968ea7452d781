#pragma once

#include <memory>
#include <optional>
#include <vector>

#include "map/Coordinates.h"
#include "screens/View.h"

// The storm map as the main screen's controller sees it: a map view showing a region and the
// user's position, with overlays drawn through views that the map's delegate supplies.

namespace storm {

// An RGBA colour with components from 0 to 1 in 32-bit floats.
struct Color {
  float red = 0;
  float green = 0;
  float blue = 0;
  float alpha = 1;

  static constexpr Color blackColor() { return {0, 0, 0, 1}; }
  static constexpr Color redColor() { return {1, 0, 0, 1}; }
  constexpr Color colorWithAlphaComponent(float a) const { return {red, green, blue, a}; }
  friend bool operator==(const Color&, const Color&) = default;
};

enum MKMapType : int { MKMapTypeStandard = 0, MKMapTypeSatellite = 1, MKMapTypeHybrid = 2 };

class MKOverlay {
 public:
  virtual ~MKOverlay() = default;
  virtual CLLocationCoordinate2D coordinate() const = 0;
};

class MKCircle : public MKOverlay {
 public:
  static std::shared_ptr<MKCircle> circleWithCenterCoordinate(CLLocationCoordinate2D center, double radius) {
    return std::make_shared<MKCircle>(center, radius);
  }
  MKCircle(CLLocationCoordinate2D center, double radius) : center_(center), radius_(radius) {}
  CLLocationCoordinate2D coordinate() const override { return center_; }
  double radius() const { return radius_; }

 private:
  CLLocationCoordinate2D center_;
  double radius_;
};

// Draws one overlay.
class MKOverlayView {
 public:
  explicit MKOverlayView(std::shared_ptr<MKOverlay> overlay) : overlay_(std::move(overlay)) {}
  virtual ~MKOverlayView() = default;
  const std::shared_ptr<MKOverlay>& overlay() const { return overlay_; }
  std::optional<Color> strokeColor() const { return strokeColor_; }
  void setStrokeColor(Color c) { strokeColor_ = c; }
  std::optional<Color> fillColor() const { return fillColor_; }
  void setFillColor(Color c) { fillColor_ = c; }

 private:
  std::shared_ptr<MKOverlay> overlay_;
  std::optional<Color> strokeColor_;
  std::optional<Color> fillColor_;
};

class MKCircleView : public MKOverlayView {
 public:
  explicit MKCircleView(std::shared_ptr<MKOverlay> overlay) : MKOverlayView(std::move(overlay)) {}
};

// The annotation that stands for the user's position.
class MKUserLocation {
 public:
  explicit MKUserLocation(CLLocationCoordinate2D c) : coordinate_(c) {}
  CLLocationCoordinate2D coordinate() const { return coordinate_; }

 private:
  CLLocationCoordinate2D coordinate_;
};

class MKMapView;

class MKMapViewDelegate {
 public:
  virtual ~MKMapViewDelegate() = default;
  virtual std::shared_ptr<MKOverlayView> mapViewViewForOverlay(MKMapView& mapView,
                                                               const std::shared_ptr<MKOverlay>& overlay) = 0;
};

class MKMapView : public View {
 public:
  // The user's position, or nothing while the map has none.
  virtual std::shared_ptr<MKUserLocation> userLocation() const = 0;
  virtual MKCoordinateRegion region() const = 0;
  // The region grown to the view's proportions (and the zooms the map supports), same centre.
  virtual MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const = 0;
  virtual void setRegion(const MKCoordinateRegion& region, bool animated) = 0;
  virtual std::vector<std::shared_ptr<MKOverlay>> overlays() const = 0;
  virtual void addOverlay(const std::shared_ptr<MKOverlay>& overlay) = 0;
  virtual void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) = 0;
  virtual std::weak_ptr<MKMapViewDelegate> delegate() const = 0;
  virtual void setDelegate(std::weak_ptr<MKMapViewDelegate> delegate) = 0;
  virtual MKMapType mapType() const = 0;
  virtual void setMapType(MKMapType type) = 0;
};

}  // namespace storm
