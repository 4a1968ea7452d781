#pragma once

#include <QPointF>
#include <QVariantAnimation>
#include <QWidget>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "platform/GeoMath.h"
#include "platform/Map.h"

// The map on screen: a Web Mercator view of the world at a centre and zoom, the user's position,
// and overlays drawn through the views the map's delegate supplies.

namespace storm::qt {

class MapWidget : public QWidget {
  Q_OBJECT

 public:
  using OverlayViewProvider = std::function<std::shared_ptr<MKOverlayView>(const std::shared_ptr<MKOverlay>&)>;

  explicit MapWidget(QWidget* parent = nullptr);

  geo::Camera camera() const { return camera_; }
  void setCamera(const geo::Camera& camera, bool animated);
  double minZoom() const { return minZoom_; }
  double maxZoom() const { return maxZoom_; }

  MKCoordinateRegion region() const;
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const;
  void setRegion(const MKCoordinateRegion& region, bool animated);

  std::optional<CLLocationCoordinate2D> userLocation() const { return userLocation_; }
  void setUserLocation(std::optional<CLLocationCoordinate2D> location);

  const std::vector<std::shared_ptr<MKOverlay>>& overlays() const { return overlays_; }
  void addOverlay(const std::shared_ptr<MKOverlay>& overlay);
  void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays);
  void setOverlayViewProvider(OverlayViewProvider provider) { provider_ = std::move(provider); }

  MKMapType mapType() const { return mapType_; }
  void setMapType(MKMapType type);

  // Where a coordinate lands in the widget, in widget pixels.
  QPointF pointForCoordinate(CLLocationCoordinate2D coordinate) const;

 signals:
  void regionChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  Size viewSize() const;
  double scale() const;  // pixels per world unit
  void zoomAround(QPointF anchor, double zoomDelta);
  void drawBackground(QPainter& painter);
  void drawOverlays(QPainter& painter);
  void drawUserLocation(QPainter& painter);

  geo::Camera camera_;
  double minZoom_ = 0;
  double maxZoom_ = 19;
  std::optional<CLLocationCoordinate2D> userLocation_;
  std::vector<std::shared_ptr<MKOverlay>> overlays_;
  // Views the delegate gave, one per overlay, asked for when the overlay is first drawn.
  std::vector<std::pair<std::shared_ptr<MKOverlay>, std::shared_ptr<MKOverlayView>>> overlayViews_;
  OverlayViewProvider provider_;
  MKMapType mapType_ = MKMapTypeStandard;
  QVariantAnimation animation_;
  geo::Camera animationFrom_;
  geo::Camera animationTo_;
  std::optional<QPointF> dragFrom_;
};

// The platform's map view over a map widget.
std::shared_ptr<MKMapView> makeMapView(MapWidget* widget);

}  // namespace storm::qt
