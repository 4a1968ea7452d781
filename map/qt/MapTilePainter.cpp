#include "map/qt/MapTilePainter.h"

#include <QPainter>
#include <algorithm>
#include <cmath>

namespace storm::qt {

namespace {

constexpr int kFallbackLevels = 8;  // how many zoom levels up a missing tile may borrow from
// Scaled copies of tiles are kept up to this size in device pixels (two tiles at twice the density).
constexpr int kLargestScaledTile = 1024;

const QColor kPlaceholderGround(0xe8, 0xe6, 0xe1);
const QColor kPlaceholderLines(0xcf, 0xcb, 0xc3);
const QColor kBeyondTheWorld(0xd9, 0xd7, 0xd2);
const QColor kNightGround(0x26, 0x2e, 0x38);
const QColor kNightLines(0x3a, 0x44, 0x50);
const QColor kNightBeyond(0x1a, 0x21, 0x29);

// A tile's colour at night: dimmed to 40 % and laid on a little of the screens' dark blue, so
// that white ground comes out grey-blue (#72767a) and the map's own colours stay told apart.
QRgb nightColour(QRgb c) {
  auto dim = [](int v, int ground) { return ground + v * 2 / 5; };  // premultiplied: alpha scales both
  const int a = qAlpha(c);
  return qRgba(dim(qRed(c), 0x0c * a / 255), dim(qGreen(c), 0x10 * a / 255), dim(qBlue(c), 0x14 * a / 255), a);
}

}  // namespace

void MapTilePainter::paint(QPainter& painter, const MapModel& model, double dpr, const QRect& area) {
  ++frame_;
  const QSize view = model.viewSize();
  const geo::Camera camera = model.camera();
  const double s = model.scale();
  const double worldTop = view.height() / 2.0 - geo::worldY(camera.center.latitude) * s;
  const double worldBottom = worldTop + s;
  const double areaTop = area.top(), areaBottom = area.top() + area.height();
  const QColor beyond = night_ ? kNightBeyond : kBeyondTheWorld;
  if (worldTop > areaTop) painter.fillRect(QRectF(area.left(), areaTop, area.width(), worldTop - areaTop), beyond);
  if (worldBottom < areaBottom)
    painter.fillRect(QRectF(area.left(), worldBottom, area.width(), areaBottom - worldBottom), beyond);

  const auto layers = model.layersOnShow();
  if (layers.empty()) {
    for (const auto& cell : model.cellsFor(camera, {-1, 0, static_cast<int>(MapModel::kDefaultMaxZoom)}, area))
      drawPlaceholder(painter, cell.target);
  } else {
    for (size_t i = 0; i < layers.size(); ++i) {
      for (const auto& cell : model.cellsFor(camera, layers[i], area)) {
        // A missing overlay tile leaves the imagery below it bare; a missing base tile shows the grid.
        if (!drawTile(painter, model, layers[i], cell, dpr) && i == 0) drawPlaceholder(painter, cell.target);
      }
    }
  }
  scaled_.removeIf([this](const auto& entry) { return entry.value().frame != frame_; });
}

void MapTilePainter::forget(const TileKey& key) {
  scaled_.removeIf([&](const auto& entry) { return entry.key().key == key; });
  nightTiles_.remove(key);
}

void MapTilePainter::setNight(bool night) {
  if (night == night_) return;
  night_ = night;
  scaled_.clear();
  nightTiles_.clear();
}

QImage MapTilePainter::nightTile(const TileKey& key, const QImage& image) {
  if (const NightTile* kept = nightTiles_.object(key); kept && kept->from == image.cacheKey()) return kept->image;
  QImage dark = image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
  for (int y = 0; y < dark.height(); ++y) {
    auto* line = reinterpret_cast<QRgb*>(dark.scanLine(y));
    for (int x = 0; x < dark.width(); ++x) line[x] = nightColour(line[x]);
  }
  nightTiles_.insert(key, new NightTile{dark, image.cacheKey()});
  return dark;
}

bool MapTilePainter::drawTile(QPainter& painter, const MapModel& model, const MapModel::TileLayerOnShow& layer,
                              const MapModel::TileCell& cell, double dpr) {
  TileLoader& loader = *model.tileLoader();
  // The tile itself, or else the part of the nearest coarser tile in memory that covers it.
  for (int up = 0; up <= kFallbackLevels && cell.z - up >= layer.minZoom; ++up) {
    const TileKey key{layer.index, cell.z - up, cell.x >> up, cell.y >> up};
    QImage image = loader.cached(key);
    if (image.isNull()) continue;
    if (night_) image = nightTile(key, image);
    QRect source = image.rect();
    if (up > 0) {
      const int part = 1 << up;
      const int w = image.width() / part, h = image.height() / part;
      if (w < 1 || h < 1) return false;
      source = QRect((cell.x - ((cell.x >> up) << up)) * w, (cell.y - ((cell.y >> up) << up)) * h, w, h);
    }
    if (source.size() == cell.target.size() && dpr == 1.0) {
      if (up == 0)
        painter.drawImage(cell.target.topLeft(), image);
      else
        painter.drawImage(cell.target.topLeft(), image, source);
    } else if (model.animating()) {
      // Frames of a glide are gone in a moment: scaled on the fly, the quick way.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
      painter.drawImage(cell.target, image, source);
    } else if (cell.target.width() * dpr > kLargestScaledTile || cell.target.height() * dpr > kLargestScaledTile) {
      // A tile far coarser than the view (an overlay layer that goes less deep, say) would make a
      // huge scaled copy: it is scaled while drawing instead, which touches only what is on show.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.drawImage(cell.target, image, source);
    } else {
      const ScaledTile scaledKey{key, up, cell.target.size() * dpr};
      painter.drawImage(cell.target.topLeft(), scaledTile(scaledKey, image, source, model.camera().zoom, dpr));
    }
    return true;
  }
  return false;
}

const QImage& MapTilePainter::scaledTile(const ScaledTile& key, const QImage& image, const QRect& source, double zoom,
                                         double dpr) {
  // A map at rest between two zoom levels redraws from these; they hold no more than the last frame.
  if (scaledZoom_ != zoom || scaledDpr_ != dpr) {
    scaled_.clear();
    scaledZoom_ = zoom;
    scaledDpr_ = dpr;
  }
  auto it = scaled_.find(key);
  if (it == scaled_.end()) {
    QImage scaled = image.copy(source).scaled(key.size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    scaled.setDevicePixelRatio(dpr);
    it = scaled_.insert(key, {scaled, frame_});
  }
  it->frame = frame_;
  return it->image;
}

void MapTilePainter::drawPlaceholder(QPainter& painter, const QRect& target) const {
  painter.fillRect(target, night_ ? kNightGround : kPlaceholderGround);
  const QColor lines = night_ ? kNightLines : kPlaceholderLines;
  // A grid of quarter tiles, so that panning and zooming still show.
  const int step = std::max(1, target.width() / 4);
  for (int i = 0; i < 4; ++i) {
    painter.fillRect(QRect(target.left() + i * step, target.top(), 1, target.height()), lines);
    painter.fillRect(QRect(target.left(), target.top() + i * step, target.width(), 1), lines);
  }
}

}  // namespace storm::qt
