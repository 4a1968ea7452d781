#include "map/qt/MapOverlayPainter.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "map/qt/QuietFill.h"

namespace storm::qt {

namespace {
constexpr double kMargin = 128;  // drawn beyond the view on each side, so that short pans reuse it
}  // namespace

void MapOverlayPainter::paint(QPainter& painter, MapModel& model, double dpr, const QRect& area) {
  model.styleCircles();
  const QSize size = model.viewSize();
  const double width = size.width(), height = size.height();
  const geo::Camera& basis = model.destination();
  const double s = geo::kTileSize * std::exp2(basis.zoom);
  const QPointF basisWorld(geo::worldX(basis.center.longitude), geo::worldY(basis.center.latitude));
  // The part of the world to draw, in world pixels.
  const QRectF view(basisWorld * s - QPointF(width / 2.0, height / 2.0) + QPointF(area.topLeft()), QSizeF(area.size()));

  // Where the overlays are, in world pixels, each as the copy of the world nearest the view.
  const auto& circles = model.circleShapes();
  QRectF extent;
  std::vector<double> shifts;
  for (const auto& shape : circles) {
    const double shift = std::round(geo::worldX(shape.circle.centre.longitude) - basisWorld.x());
    shifts.push_back(shift);
    if (shape.style && !shape.ring.empty())
      extent |=
          QRectF(shape.bounds.topLeft() * s - QPointF(shift * s, 0), shape.bounds.size() * s).adjusted(-2, -2, 2, 2);
  }
  const MapLayerFrame frame{s, basisWorld};
  for (const MapLayer* layer : model.layers()) extent |= layer->extent(frame);
  const QRectF needed = extent & view;
  if (needed.isEmpty()) return;

  const bool reusable = generation_ == model.overlayGeneration() && zoom_ == basis.zoom &&
                        image_.devicePixelRatio() == dpr &&
                        QRectF(origin_, image_.deviceIndependentSize()).contains(needed);
  if (!reusable)
    redraw(model, frame, (extent & view.adjusted(-kMargin, -kMargin, kMargin, kMargin)).toAlignedRect(), dpr, shifts);
  show(painter, model, dpr, s);
}

void MapOverlayPainter::redraw(MapModel& model, const MapLayerFrame& frame, const QRectF& drawn, double dpr,
                               const std::vector<double>& shifts) {
  const double s = frame.scale;
  image_ = QImage(std::max(1, static_cast<int>(std::ceil(drawn.width() * dpr))),
                  std::max(1, static_cast<int>(std::ceil(drawn.height() * dpr))), QImage::Format_ARGB32_Premultiplied);
  image_.setDevicePixelRatio(dpr);
  image_.fill(Qt::transparent);
  QPainter picture(&image_);
  picture.setRenderHint(QPainter::Antialiasing);
  auto outline = [&](const std::vector<QPointF>& points, double shift) {
    QPolygonF polygon;
    polygon.reserve(static_cast<qsizetype>(points.size()));
    for (const QPointF& p : points) polygon << QPointF((p.x() - shift) * s - drawn.left(), p.y() * s - drawn.top());
    QPainterPath path;
    path.addPolygon(polygon);
    path.closeSubpath();
    return path;
  };
  // The features' layers under the circles, each in its own state of the painter.
  for (const MapLayer* layer : model.layers()) {
    picture.save();
    layer->paint(picture, frame, drawn.topLeft());
    picture.restore();
  }
  const auto& circles = model.circleShapes();
  for (size_t i = 0; i < circles.size(); ++i) {
    const auto& shape = circles[i];
    if (!shape.style || shape.ring.empty()) continue;
    const QPainterPath path = outline(shape.ring, shifts[i]);
    // A circle of the past is outlined only, in dashes, so that it does not pass for a live one.
    const bool past = model.circlesPast();
    if (shape.style->fill && !past) fillPathQuietly(picture, path, *shape.style->fill);
    if (shape.style->stroke) {
      QPen pen(*shape.style->stroke);
      pen.setWidthF(shape.style->lineWidth);  // 0: a hairline, one device pixel
      pen.setCosmetic(shape.style->lineWidth == 0);
      if (past) pen.setStyle(Qt::DashLine);
      picture.strokePath(path, pen);
    }
  }
  origin_ = drawn.topLeft();
  zoom_ = model.destination().zoom;
  generation_ = model.overlayGeneration();
}

void MapOverlayPainter::show(QPainter& painter, MapModel& model, double dpr, double drawnScale) const {
  const QSize size = model.viewSize();
  const geo::Camera camera = model.camera();
  const double scale = model.scale();
  const QPointF cameraWorld(geo::worldX(camera.center.longitude), geo::worldY(camera.center.latitude));
  const QPointF viewOrigin = cameraWorld * scale - QPointF(size.width() / 2.0, size.height() / 2.0);
  const double k = scale / drawnScale;  // from the zoom it was drawn at to the one on show
  if (k == 1) {
    // On whole device pixels, like the tiles under it.
    const QPointF offset = origin_ - viewOrigin;
    painter.drawImage(QPointF(std::round(offset.x() * dpr) / dpr, std::round(offset.y() * dpr) / dpr), image_);
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRectF(origin_ * k - viewOrigin, image_.deviceIndependentSize() * k), image_);
  painter.restore();
}

}  // namespace storm::qt
