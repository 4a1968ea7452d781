#include "map/qt/MapControlButton.h"

#include <QPainter>

namespace storm::qt {

MapControlButton::MapControlButton(QWidget* parent, Glyph glyph) : QAbstractButton(parent), glyph_(std::move(glyph)) {}

void MapControlButton::setNight(bool night) {
  if (night == night_) return;
  night_ = night;
  up_ = down_ = QImage();
  update();
}

void MapControlButton::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const double dpr = painter.device()->devicePixelRatioF();
  QImage& face = isDown() ? down_ : up_;
  if (face.isNull() || face.devicePixelRatio() != dpr || face.deviceIndependentSize() != QSizeF(size())) {
    face = QImage(size() * dpr, QImage::Format_ARGB32_Premultiplied);
    face.setDevicePixelRatio(dpr);
    face.fill(Qt::transparent);
    QPainter p(&face);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(0x9a, 0xa5, 0xb1));
    if (night_)
      p.setBrush(isDown() ? QColor(0x52, 0x60, 0x6d) : QColor(0x32, 0x3f, 0x4b, 235));
    else
      p.setBrush(isDown() ? QColor(0xd9, 0xe2, 0xec) : QColor(255, 255, 255, 230));
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
    if (glyph_) glyph_(p, QRectF(rect()).center(), night_ ? QColor(0xf5, 0xf7, 0xfa) : QColor(0x1f, 0x29, 0x33));
  }
  painter.drawImage(QPointF(0, 0), face);
  if (hasFocus()) {
    // The keyboard's ring, in the yellow of the screen's other rings.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xfc, 0xd3, 0x4d), 2));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
  }
}

}  // namespace storm::qt
