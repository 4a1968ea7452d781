#include "map/qt/MapFrameCache.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace storm::qt {

namespace {

constexpr int kMargin = 64;  // view pixels kept on each side of the view
// Beyond this many device pixels the picture would cost more memory than a repaint is worth.
constexpr qint64 kLargestPicture = 4LL * 1024 * 1024;
constexpr double kNear = 1e-6;  // how near, in pixels, counts as on a whole or half pixel

bool whole(double x) { return std::abs(x - std::round(x)) < kNear; }
bool halfway(double x) { return std::abs(x - std::floor(x) - 0.5) < kNear; }

}  // namespace

void MapFrameCache::paint(QPainter& painter, MapModel& model, double dpr, const Draw& draw) {
  const QSize view = model.viewSize();
  const QRect shown(QPoint(0, 0), view);
  if (model.animating()) {  // each frame of a glide is drawn once
    last_.reset();
    draw(painter, shown);
    return;
  }
  const Key key{model.camera().zoom, dpr, view, model.tileGeneration(), model.overlayGeneration()};
  const QPointF origin = model.viewOrigin();
  auto copy = [&] {
    // Pixel for pixel: the painter's own density undone.
    const QPointF moved = (origin - origin_) * dpr;
    const QPointF at(std::round(-kMargin * dpr - moved.x()), std::round(-kMargin * dpr - moved.y()));
    painter.save();
    painter.setWorldTransform(QTransform::fromScale(1 / dpr, 1 / dpr));
    painter.drawImage(QRectF(at, QSizeF(image_.size())), image_, QRectF(image_.rect()));
    painter.restore();
  };
  const bool again = last_ == key;
  const bool still = again && lastOrigin_ == origin;
  last_ = key;
  lastOrigin_ = origin;
  if (kept_ == key && shows(origin)) {
    served_ = true;
    copy();
    return;
  }
  // A picture is made for a map drawn twice alike; not again and again for one dragged by parts of
  // pixels, which could never copy it.
  const bool worth = again && (kept_ != key || served_ || still);
  const QRect area = shown.adjusted(-kMargin, -kMargin, kMargin, kMargin);
  const QSize pixels = area.size() * dpr;
  if (!worth || !whole(dpr) || static_cast<qint64>(pixels.width()) * pixels.height() > kLargestPicture ||
      roundsHalfway(model, origin, area, dpr)) {
    draw(painter, shown);
    return;
  }
  if (const MapModel::TileStatus tiles = model.tileStatus(); tiles.ready < tiles.needed) {
    draw(painter, shown);  // tiles still to come would make it out of date at once
    return;
  }
  image_ = QImage(pixels, QImage::Format_RGB32);
  image_.setDevicePixelRatio(dpr);
  {
    QPainter picture(&image_);
    picture.translate(kMargin, kMargin);
    draw(picture, area);
  }
  origin_ = origin;
  kept_ = key;
  served_ = false;
  copy();
}

bool MapFrameCache::shows(QPointF now) const {
  // Moved by whole view pixels (and so by whole device pixels, at a whole density), within the margin.
  const QPointF moved = now - origin_;
  return whole(moved.x()) && whole(moved.y()) && std::abs(moved.x()) <= kMargin && std::abs(moved.y()) <= kMargin;
}

bool MapFrameCache::roundsHalfway(const MapModel& model, QPointF origin, const QRect& area, double dpr) {
  // Tiles go to the nearest whole view pixels.
  const double s = model.scale();
  auto layers = model.layersOnShow();
  if (layers.empty()) layers.push_back({-1, 0, static_cast<int>(MapModel::kDefaultMaxZoom)});
  for (const auto& layer : layers) {
    const int z = std::clamp(static_cast<int>(std::lround(model.camera().zoom)), layer.minZoom, layer.maxZoom);
    const double tile = s / (1 << z);
    auto anyHalfway = [tile](double corner, double from, double length) {
      const auto last = static_cast<long long>(std::ceil((corner + from + length) / tile));
      for (auto t = static_cast<long long>(std::floor((corner + from) / tile)); t <= last; ++t)
        if (halfway(static_cast<double>(t) * tile - corner)) return true;
      return false;
    };
    if (anyHalfway(origin.x(), area.left(), area.width()) || anyHalfway(origin.y(), area.top(), area.height()))
      return true;
  }
  // The ground beyond the world's top and bottom is filled to the nearest device pixel.
  for (double edge : {-origin.y(), s - origin.y()}) {
    if (edge > area.top() && edge < area.top() + area.height() && (halfway(edge * dpr) || whole(edge * dpr)))
      return true;
  }
  // The circles and layers are drawn on whole world pixels, placed to the nearest device pixel.
  return halfway(origin.x() * dpr) || halfway(origin.y() * dpr);
}

}  // namespace storm::qt
