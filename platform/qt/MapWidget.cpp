#include "platform/qt/MapWidget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "platform/qt/QtViews.h"

namespace storm::qt {

namespace {
constexpr int kAnimationMilliseconds = 400;
constexpr int kCirclePoints = 180;

QColor toQColor(const Color& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha); }

double wrap360(double lon) {
  lon = std::fmod(lon + 180.0, 360.0);
  if (lon < 0) lon += 360.0;
  return lon - 180.0;
}
}  // namespace

MapWidget::MapWidget(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(64, 64);
  setAttribute(Qt::WA_OpaquePaintEvent);
  camera_ = {{20, 0}, 1};
  animation_.setDuration(kAnimationMilliseconds);
  animation_.setStartValue(0.0);
  animation_.setEndValue(1.0);
  animation_.setEasingCurve(QEasingCurve::InOutCubic);
  connect(&animation_, &QVariantAnimation::valueChanged, this, [this](const QVariant& v) {
    const double t = v.toDouble();
    camera_.center.latitude = animationFrom_.center.latitude + (animationTo_.center.latitude - animationFrom_.center.latitude) * t;
    camera_.center.longitude = animationFrom_.center.longitude + (animationTo_.center.longitude - animationFrom_.center.longitude) * t;
    camera_.zoom = animationFrom_.zoom + (animationTo_.zoom - animationFrom_.zoom) * t;
    update();
  });
  connect(&animation_, &QVariantAnimation::finished, this, [this] {
    camera_ = animationTo_;
    camera_.center.longitude = wrap360(camera_.center.longitude);
    update();
    emit regionChanged();
  });
}

Size MapWidget::viewSize() const { return {static_cast<float>(width()), static_cast<float>(height())}; }

double MapWidget::scale() const { return geo::kTileSize * std::exp2(camera_.zoom); }

void MapWidget::setCamera(const geo::Camera& camera, bool animated) {
  geo::Camera target = camera;
  target.zoom = std::clamp(target.zoom, minZoom_, maxZoom_);
  target.center.latitude = std::clamp(target.center.latitude, -geo::kMercatorMaxLatitude, geo::kMercatorMaxLatitude);
  animation_.stop();
  if (animated && isVisible()) {
    animationFrom_ = camera_;
    animationTo_ = target;
    // Take the short way round the antimeridian.
    const double dLon = wrap360(target.center.longitude - camera_.center.longitude);
    animationTo_.center.longitude = camera_.center.longitude + dLon;
    animation_.start();
  } else {
    camera_ = target;
    update();
    emit regionChanged();
  }
}

MKCoordinateRegion MapWidget::region() const {
  // While gliding, the region is the one the map is heading to.
  const geo::Camera& shown = animation_.state() == QAbstractAnimation::Running ? animationTo_ : camera_;
  geo::Camera c = shown;
  c.center.longitude = wrap360(c.center.longitude);
  return geo::regionForCamera(c, viewSize());
}

MKCoordinateRegion MapWidget::regionThatFits(const MKCoordinateRegion& region) const {
  return geo::regionForCamera(geo::cameraFittingRegion(region, viewSize(), minZoom_, maxZoom_), viewSize());
}

void MapWidget::setRegion(const MKCoordinateRegion& region, bool animated) {
  setCamera(geo::cameraFittingRegion(region, viewSize(), minZoom_, maxZoom_), animated);
}

void MapWidget::setUserLocation(std::optional<CLLocationCoordinate2D> location) {
  userLocation_ = location;
  update();
}

void MapWidget::addOverlay(const std::shared_ptr<MKOverlay>& overlay) {
  if (!overlay) return;
  overlays_.push_back(overlay);
  update();
}

void MapWidget::removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) {
  for (const auto& o : overlays) {
    std::erase(overlays_, o);
    std::erase_if(overlayViews_, [&](const auto& entry) { return entry.first == o; });
  }
  update();
}

void MapWidget::setMapType(MKMapType type) {
  mapType_ = type;
  update();
}

QPointF MapWidget::pointForCoordinate(CLLocationCoordinate2D coordinate) const {
  const double s = scale();
  double dx = geo::worldX(coordinate.longitude) - geo::worldX(camera_.center.longitude);
  dx -= std::round(dx);  // the nearer copy of the world
  const double dy = geo::worldY(coordinate.latitude) - geo::worldY(camera_.center.latitude);
  return {width() / 2.0 + dx * s, height() / 2.0 + dy * s};
}

void MapWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing);
  drawBackground(painter);
  drawOverlays(painter);
  drawUserLocation(painter);
}

void MapWidget::drawBackground(QPainter& painter) {
  QColor ground, lines;
  switch (mapType_) {
    case MKMapTypeSatellite: ground = QColor(0x3b, 0x4a, 0x3a); lines = QColor(0x52, 0x63, 0x50); break;
    case MKMapTypeHybrid: ground = QColor(0x3b, 0x4a, 0x3a); lines = QColor(0xd8, 0xc8, 0x7a); break;
    default: ground = QColor(0xee, 0xea, 0xe2); lines = QColor(0xd6, 0xd0, 0xc4); break;
  }
  painter.fillRect(rect(), ground);
  // A grid of the tiles at the nearest zoom, so panning and zooming can be seen.
  const double tileZoom = std::floor(camera_.zoom + 0.5);
  const double tilePixels = scale() / std::exp2(tileZoom);
  const QPointF origin = pointForCoordinate({geo::latitudeFromWorldY(0), -180});
  painter.setPen(QPen(lines, 1));
  for (double x = std::fmod(origin.x(), tilePixels); x < width(); x += tilePixels) painter.drawLine(QPointF(x, 0), QPointF(x, height()));
  for (double y = std::fmod(origin.y(), tilePixels); y < height(); y += tilePixels) painter.drawLine(QPointF(0, y), QPointF(width(), y));
}

void MapWidget::drawOverlays(QPainter& painter) {
  for (const auto& overlay : overlays_) {
    auto it = std::find_if(overlayViews_.begin(), overlayViews_.end(), [&](const auto& e) { return e.first == overlay; });
    std::shared_ptr<MKOverlayView> view;
    if (it != overlayViews_.end()) {
      view = it->second;
    } else if (provider_) {
      view = provider_(overlay);
      if (view) overlayViews_.emplace_back(overlay, view);
    }
    auto circle = std::dynamic_pointer_cast<MKCircle>(overlay);
    if (!view || !circle) continue;
    QPainterPath path;
    for (int i = 0; i <= kCirclePoints; ++i) {
      const QPointF p = pointForCoordinate(geo::destination(circle->coordinate(), 360.0 * i / kCirclePoints, circle->radius()));
      if (i == 0) path.moveTo(p); else path.lineTo(p);
    }
    path.closeSubpath();
    if (auto fill = view->fillColor()) painter.fillPath(path, toQColor(*fill));
    if (auto stroke = view->strokeColor()) {
      QPen pen(toQColor(*stroke));
      pen.setWidthF(view->lineWidth());  // 0: the platform's hairline
      pen.setCosmetic(true);
      painter.strokePath(path, pen);
    }
  }
}

void MapWidget::drawUserLocation(QPainter& painter) {
  if (!userLocation_) return;
  const QPointF p = pointForCoordinate(*userLocation_);
  painter.setPen(QPen(Qt::white, 2.5));
  painter.setBrush(QColor(0x1a, 0x73, 0xe8));
  painter.drawEllipse(p, 7, 7);
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) dragFrom_ = event->position();
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
  if (!dragFrom_) return;
  const QPointF delta = event->position() - *dragFrom_;
  dragFrom_ = event->position();
  animation_.stop();
  const double s = scale();
  const double x = geo::worldX(camera_.center.longitude) - delta.x() / s;
  const double y = std::clamp(geo::worldY(camera_.center.latitude) - delta.y() / s, 0.0, 1.0);
  camera_.center = {geo::latitudeFromWorldY(y), wrap360(geo::longitudeFromWorldX(x))};
  update();
}

void MapWidget::mouseReleaseEvent(QMouseEvent*) {
  if (dragFrom_) emit regionChanged();
  dragFrom_.reset();
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event) { zoomAround(event->position(), 1); }

void MapWidget::wheelEvent(QWheelEvent* event) {
  zoomAround(event->position(), event->angleDelta().y() / 120.0 * 0.5);
}

void MapWidget::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, height() / 2.0);
  if (event->key() == Qt::Key_Plus || event->key() == Qt::Key_Equal) zoomAround(middle, 1);
  else if (event->key() == Qt::Key_Minus) zoomAround(middle, -1);
  else QWidget::keyPressEvent(event);
}

void MapWidget::zoomAround(QPointF anchor, double zoomDelta) {
  animation_.stop();
  const double s0 = scale();
  const double ax = geo::worldX(camera_.center.longitude) + (anchor.x() - width() / 2.0) / s0;
  const double ay = geo::worldY(camera_.center.latitude) + (anchor.y() - height() / 2.0) / s0;
  camera_.zoom = std::clamp(camera_.zoom + zoomDelta, minZoom_, maxZoom_);
  const double s1 = scale();
  const double cx = ax - (anchor.x() - width() / 2.0) / s1;
  const double cy = std::clamp(ay - (anchor.y() - height() / 2.0) / s1, 0.0, 1.0);
  camera_.center = {geo::latitudeFromWorldY(cy), wrap360(geo::longitudeFromWorldX(cx))};
  update();
  emit regionChanged();
}

// ---- the platform's map view ----

class QtMapView : public QtView<MKMapView> {
 public:
  explicit QtMapView(MapWidget* widget) : QtView(widget) {}
  MapWidget* map() const { return qobject_cast<MapWidget*>(widget_.data()); }

  std::shared_ptr<MKUserLocation> userLocation() const override {
    auto* m = map();
    if (!m || !m->userLocation()) return nullptr;
    return std::make_shared<MKUserLocation>(*m->userLocation());
  }
  MKCoordinateRegion region() const override { return map() ? map()->region() : MKCoordinateRegion{}; }
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const override {
    return map() ? map()->regionThatFits(region) : MKCoordinateRegion{};
  }
  void setRegion(const MKCoordinateRegion& region, bool animated) override {
    if (auto* m = map()) m->setRegion(region, animated);
  }
  std::vector<std::shared_ptr<MKOverlay>> overlays() const override {
    return map() ? map()->overlays() : std::vector<std::shared_ptr<MKOverlay>>{};
  }
  void addOverlay(const std::shared_ptr<MKOverlay>& overlay) override {
    if (auto* m = map()) m->addOverlay(overlay);
  }
  void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) override {
    if (auto* m = map()) m->removeOverlays(overlays);
  }
  std::weak_ptr<MKMapViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<MKMapViewDelegate> delegate) override {
    delegate_ = std::move(delegate);
    if (auto* m = map()) m->update();
  }
  MKMapType mapType() const override { return map() ? map()->mapType() : MKMapTypeStandard; }
  void setMapType(MKMapType type) override {
    if (auto* m = map()) m->setMapType(type);
  }

 private:
  std::weak_ptr<MKMapViewDelegate> delegate_;
};

std::shared_ptr<MKMapView> makeMapView(MapWidget* widget) {
  auto view = std::make_shared<QtMapView>(widget);
  if (widget) {
    widget->setOverlayViewProvider([weak = std::weak_ptr<QtMapView>(view)](const std::shared_ptr<MKOverlay>& overlay)
                                       -> std::shared_ptr<MKOverlayView> {
      auto self = weak.lock();
      if (!self) return nullptr;
      auto delegate = self->delegate().lock();
      return delegate ? delegate->mapViewViewForOverlay(*self, overlay) : nullptr;
    });
  }
  return view;
}

}  // namespace storm::qt
