#include "map/qt/QuietFill.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <functional>

namespace storm::qt {

namespace {

// x times a/255 in each channel, rounded as the raster painter rounds.
QRgb byteMul(QRgb x, uint a) {
  uint t = (x & 0xff00ff) * a;
  t = ((t + ((t >> 8) & 0xff00ff) + 0x800080) >> 8) & 0xff00ff;
  uint u = ((x >> 8) & 0xff00ff) * a;
  u = (u + ((u >> 8) & 0xff00ff) + 0x800080) & 0xff00ff00;
  return t | u;
}

// Whether the painter's own drawing can be matched here.
bool quietly(const QPainter& painter, const QColor& colour) {
  const auto* target = dynamic_cast<const QImage*>(painter.device());
  return target && target->format() == QImage::Format_ARGB32_Premultiplied && colour.alpha() < 255 &&
         !painter.hasClipping() && painter.opacity() == 1 &&
         painter.compositionMode() == QPainter::CompositionMode_SourceOver;
}

// Lays `colour` on the painter's image through the coverage of what `draw` draws in opaque white
// within `bounds` (the painter's coordinates).
void layOn(QPainter& painter, const QRectF& bounds, const QColor& colour,
           const std::function<void(QPainter& white)>& draw) {
  auto* target = static_cast<QImage*>(painter.device());
  // Only the device pixels the shape may touch.
  const QTransform toDevice = painter.combinedTransform();
  const QRect area = toDevice.mapRect(bounds).toAlignedRect().adjusted(-1, -1, 1, 1) & target->rect();
  if (area.isEmpty() || colour.alpha() == 0) return;
  QImage layer(area.size(), QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  {
    // The same transform to the same device pixels, the layer's corner taken away.
    QPainter white(&layer);
    white.setRenderHints(painter.renderHints());
    white.setWorldTransform(toDevice * QTransform::fromTranslate(-area.x(), -area.y()));
    draw(white);
  }
  const QRgb premultiplied = colour.rgba64().premultiplied().toArgb32();
  for (int y = 0; y < layer.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(layer.scanLine(y));
    for (int x = 0; x < layer.width(); ++x) {
      const uint covered = qAlpha(line[x]);
      line[x] = covered == 255 ? premultiplied : covered == 0 ? 0 : byteMul(premultiplied, covered);
    }
  }
  // Laid on pixel for pixel: the painter's own density undone.
  painter.save();
  const double dpr = target->devicePixelRatio();
  painter.setWorldTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
  painter.drawImage(QRectF(area), layer, QRectF(layer.rect()));
  painter.restore();
}

}  // namespace

void fillPathQuietly(QPainter& painter, const QPainterPath& path, const QColor& colour) {
  if (!quietly(painter, colour)) {
    painter.fillPath(path, colour);
    return;
  }
  layOn(painter, path.boundingRect(), colour, [&](QPainter& white) { white.fillPath(path, Qt::white); });
}

void strokePathQuietly(QPainter& painter, const QPainterPath& path, const QPen& pen) {
  const QTransform toDevice = painter.combinedTransform();
  const double scale = std::sqrt(std::abs(toDevice.determinant()));
  if (!quietly(painter, pen.color()) || pen.isCosmetic() || pen.widthF() * scale <= 1 || pen.style() != Qt::SolidLine ||
      pen.brush().style() != Qt::SolidPattern) {
    painter.strokePath(path, pen);
    return;
  }
  const double reach = pen.widthF() / 2 * (pen.joinStyle() == Qt::MiterJoin ? std::max(1.0, pen.miterLimit()) : 1);
  QPen white = pen;
  white.setColor(Qt::white);
  layOn(painter, path.boundingRect().adjusted(-reach, -reach, reach, reach), pen.color(),
        [&](QPainter& layer) { layer.strokePath(path, white); });
}

}  // namespace storm::qt
