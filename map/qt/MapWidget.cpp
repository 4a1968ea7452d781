#include "map/qt/MapWidget.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGestureEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPinchGesture>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

constexpr int kAnimationMilliseconds = 400;
constexpr int kCirclePoints = 180;
constexpr double kDefaultMaxZoom = 19;
constexpr int kMaxCells = 1024;     // beyond this many tiles a layer is too far zoomed out to draw
constexpr int kFallbackLevels = 8;  // how many zoom levels up a missing tile may borrow from
constexpr double kWheelNotchZoom = 0.5;
constexpr double kKeyPanPixels = 64;
// Scaled copies of tiles are kept up to this size in device pixels (two tiles at twice the density).
constexpr int kLargestScaledTile = 1024;
// Tiles that come within this long are not worth a note: a pan to new ground would flash one.
constexpr int kLoadingNoteDelayMs = 700;
constexpr int kTileNotePixels = 12;
constexpr double kTileNoteGap = 6;  // between the note and the credit, or the map's foot

const QColor kPlaceholderGround(0xe8, 0xe6, 0xe1);
const QColor kPlaceholderLines(0xcf, 0xcb, 0xc3);
const QColor kBeyondTheWorld(0xd9, 0xd7, 0xd2);

double wrap360(double lon) {
  lon = std::fmod(lon + 180.0, 360.0);
  if (lon < 0) lon += 360.0;
  return lon - 180.0;
}

int wrapTile(long long x, int n) { return static_cast<int>(((x % n) + n) % n); }

}  // namespace

MapWidget::MapWidget(QWidget* parent) : QWidget(parent) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(64, 64);
  setAttribute(Qt::WA_OpaquePaintEvent);
  grabGesture(Qt::PinchGesture);
  camera_ = {{20, 0}, 1};
  animation_.setDuration(kAnimationMilliseconds);
  animation_.setStartValue(0.0);
  animation_.setEndValue(1.0);
  animation_.setEasingCurve(QEasingCurve::InOutCubic);
  connect(&animation_, &QVariantAnimation::valueChanged, this,
          [this](const QVariant& v) { applyAnimation(v.toDouble()); });
  makePositionControls();
  loadingDelay_ = new QTimer(this);
  loadingDelay_->setSingleShot(true);
  loadingDelay_->setInterval(kLoadingNoteDelayMs);
  connect(loadingDelay_, &QTimer::timeout, this, [this] {
    loadingWaited_ = true;
    updateTileNote();
  });
  connect(&animation_, &QVariantAnimation::finished, this, [this] {
    camera_ = animationTo_;
    requestTiles();
    update();
    emit regionChanged();
  });
}

void MapWidget::setTileSources(const MapSources& sources, TileLoader::Settings settings) {
  delete loader_;
  sources_ = sources;
  loader_ = new TileLoader(std::move(settings), this);
  connect(loader_, &TileLoader::tileReady, this, [this](const TileKey& key) {
    // A tile fetched again replaces its old image: scaled copies of that one are out of date.
    scaled_.removeIf([&](const auto& entry) { return entry.key().key == key; });
    update();
    updateTileNote();
  });
  connect(loader_, &TileLoader::tileFailed, this, [this] { updateTileNote(); });
  connect(loader_, &TileLoader::retryDue, this, [this] { requestTiles(); });
  for (int type = 0; type < 3; ++type) {
    auto& layers = layers_[static_cast<size_t>(type)];
    layers.clear();
    const TileSource* source = sources_.source(static_cast<MapType>(type));
    if (!source) continue;
    layers.push_back({loader_->addLayer(source->base), source->base.minZoom, source->base.maxZoom});
    if (source->overlay)
      layers.push_back({loader_->addLayer(*source->overlay), source->overlay->minZoom, source->overlay->maxZoom});
  }
  requestTiles();
  update();
}

std::vector<MapWidget::Layer> MapWidget::layersOnShow() const {
  if (!loader_) return {};
  return layers_[static_cast<size_t>(std::clamp(static_cast<int>(mapType_), 0, 2))];
}

double MapWidget::maxZoom() const {
  const auto layers = layersOnShow();
  return layers.empty() ? kDefaultMaxZoom : layers.front().maxZoom;
}

Size MapWidget::viewSize() const { return {static_cast<float>(width()), static_cast<float>(height())}; }

double MapWidget::scale() const { return geo::kTileSize * std::exp2(camera_.zoom); }

void MapWidget::setCamera(const geo::Camera& camera, bool animated) {
  if (!std::isfinite(camera.center.latitude) || !std::isfinite(camera.center.longitude) || !std::isfinite(camera.zoom))
    return;
  openingView_.reset();  // the map has been moved away from where it opened
  geo::Camera target = camera;
  target.zoom = std::clamp(target.zoom, minZoom(), maxZoom());
  target.center.latitude = std::clamp(target.center.latitude, -geo::kMercatorMaxLatitude, geo::kMercatorMaxLatitude);
  target.center.longitude = wrap360(target.center.longitude);
  animation_.stop();
  if (animated && isVisible()) {
    animationTo_ = target;
    // Centre and zoom move together; the centre moves in the map's own (Mercator) plane, the short
    // way round the antimeridian.
    animationFromWorld_ = {geo::worldX(camera_.center.longitude), geo::worldY(camera_.center.latitude)};
    double toX = geo::worldX(target.center.longitude);
    toX -= std::round(toX - animationFromWorld_.x());
    animationToWorld_ = {toX, geo::worldY(target.center.latitude)};
    animationFromZoom_ = camera_.zoom;
    animation_.start();
    requestTiles();
  } else {
    camera_ = target;
    requestTiles();
    update();
    emit regionChanged();
  }
}

void MapWidget::applyAnimation(double t) {
  const QPointF w = animationFromWorld_ + (animationToWorld_ - animationFromWorld_) * t;
  camera_.center = {geo::latitudeFromWorldY(w.y()), wrap360(geo::longitudeFromWorldX(w.x()))};
  camera_.zoom = animationFromZoom_ + (animationTo_.zoom - animationFromZoom_) * t;
  requestTiles();
  update();
}

MKCoordinateRegion MapWidget::region() const {
  // While gliding, the region is the one the map is heading to.
  return geo::regionForCamera(animating() ? animationTo_ : camera_, viewSize());
}

MKCoordinateRegion MapWidget::regionThatFits(const MKCoordinateRegion& region) const {
  return geo::regionForCamera(geo::cameraFittingRegion(region, viewSize(), minZoom(), maxZoom()), viewSize());
}

void MapWidget::setRegion(const MKCoordinateRegion& region, bool animated) {
  setCamera(geo::cameraFittingRegion(region, viewSize(), minZoom(), maxZoom()), animated);
}

void MapWidget::setUserLocation(std::optional<CLLocationCoordinate2D> location, double accuracy) {
  if (locationOverridden_) return;
  userLocation_ = location;
  accuracy_ = location && std::isfinite(accuracy) && accuracy > 0 ? accuracy : 0;
  if (location) placeSet_.reset();
  updatePositionControls();
  update();
  if (location) emit userLocationHeard(location->latitude, location->longitude, false);
}

void MapWidget::overrideUserLocation(std::optional<CLLocationCoordinate2D> location) {
  locationOverridden_ = false;
  setUserLocation(location, 0);
  locationOverridden_ = true;
}

std::vector<MapCircle> MapWidget::circles() const {
  std::vector<MapCircle> circles;
  circles.reserve(entries_.size());
  for (const CircleEntry& entry : entries_) circles.push_back(entry.circle);
  return circles;
}

MapCircleId MapWidget::addCircle(CLLocationCoordinate2D centre, double radius, MapCircleStyleSource style) {
  CircleEntry entry{{++lastCircleId_, centre, radius}, std::move(style), std::nullopt, {}, {}};
  for (const auto& c : geo::geodesicCircle(centre, radius, kCirclePoints))
    entry.ring.emplace_back(geo::worldX(c.longitude), geo::worldY(c.latitude));
  entry.bounds = QPolygonF(QList<QPointF>(entry.ring.begin(), entry.ring.end())).boundingRect();
  entries_.push_back(std::move(entry));
  overlaysChanged_ = true;
  update();
  describeForAccessibility();
  return lastCircleId_;
}

void MapWidget::removeCircle(MapCircleId id) {
  std::erase_if(entries_, [id](const CircleEntry& e) { return e.circle.id == id; });
  overlaysChanged_ = true;
  update();
  describeForAccessibility();
}

void MapWidget::addLayer(const MapLayer* layer) {
  if (!layer) return;
  featureLayers_.push_back(layer);
  layerChanged();
}

void MapWidget::removeLayer(const MapLayer* layer) {
  std::erase(featureLayers_, layer);
  layerChanged();
}

void MapWidget::layerChanged() {
  overlaysChanged_ = true;
  update();
}

void MapWidget::setMapType(MapType type) {
  mapType_ = type;
  // A type whose tiles go less deep takes the camera back to its deepest zoom.
  const double deepest = maxZoom();
  if (animating() && animationTo_.zoom > deepest) {
    geo::Camera to = animationTo_;
    to.zoom = deepest;
    setCamera(to, true);
  } else if (!animating() && camera_.zoom > deepest) {
    geo::Camera to = camera_;
    to.zoom = deepest;
    setCamera(to, false);
  }
  requestTiles();
  update();
  describeForAccessibility();
}

QPointF MapWidget::pointForCoordinate(CLLocationCoordinate2D coordinate) const {
  const double s = scale();
  double dx = geo::worldX(coordinate.longitude) - geo::worldX(camera_.center.longitude);
  dx -= std::round(dx);  // the nearer copy of the world
  const double dy = geo::worldY(coordinate.latitude) - geo::worldY(camera_.center.latitude);
  return {width() / 2.0 + dx * s, height() / 2.0 + dy * s};
}

// ---- tiles ----

std::vector<MapWidget::TileCell> MapWidget::cellsFor(const geo::Camera& camera, const Layer& layer) const {
  const int z = std::clamp(static_cast<int>(std::lround(camera.zoom)), layer.minZoom, layer.maxZoom);
  const int n = 1 << z;
  const double s = geo::kTileSize * std::exp2(camera.zoom);
  const double tile = s / n;
  const double left = geo::worldX(camera.center.longitude) * s - width() / 2.0;
  const double top = geo::worldY(camera.center.latitude) * s - height() / 2.0;
  const auto tx0 = static_cast<long long>(std::floor(left / tile));
  const auto tx1 = static_cast<long long>(std::ceil((left + width()) / tile)) - 1;
  const auto ty0 = std::max(0LL, static_cast<long long>(std::floor(top / tile)));
  const auto ty1 = std::min<long long>(n - 1, static_cast<long long>(std::ceil((top + height()) / tile)) - 1);
  if (tx1 < tx0 || ty1 < ty0 || (tx1 - tx0 + 1) * (ty1 - ty0 + 1) > kMaxCells) return {};
  std::vector<TileCell> cells;
  cells.reserve(static_cast<size_t>((tx1 - tx0 + 1) * (ty1 - ty0 + 1)));
  for (long long ty = ty0; ty <= ty1; ++ty) {
    // Edges rounded to whole pixels so that neighbours meet without a seam.
    const int y0 = static_cast<int>(std::lround(static_cast<double>(ty) * tile - top));
    const int y1 = static_cast<int>(std::lround(static_cast<double>(ty + 1) * tile - top));
    for (long long tx = tx0; tx <= tx1; ++tx) {
      const int x0 = static_cast<int>(std::lround(static_cast<double>(tx) * tile - left));
      const int x1 = static_cast<int>(std::lround(static_cast<double>(tx + 1) * tile - left));
      cells.push_back({z, wrapTile(tx, n), static_cast<int>(ty), QRect(x0, y0, x1 - x0, y1 - y0)});
    }
  }
  // Nearest the middle first: that is the order they are fetched in.
  const QPoint middle(width() / 2, height() / 2);
  std::stable_sort(cells.begin(), cells.end(), [&](const TileCell& a, const TileCell& b) {
    return (a.target.center() - middle).manhattanLength() < (b.target.center() - middle).manhattanLength();
  });
  return cells;
}

std::vector<TileKey> MapWidget::tilesWanted() {
  // While gliding, only the destination's tiles are fetched; the frames on the way make do with
  // what is in memory.
  const geo::Camera& camera = animating() ? animationTo_ : camera_;
  std::vector<TileKey> keys;
  for (const Layer& layer : layersOnShow())
    for (const TileCell& cell : cellsFor(camera, layer)) keys.push_back({layer.index, cell.z, cell.x, cell.y});
  return keys;
}

MapWidget::TileStatus MapWidget::tileStatus() {
  TileStatus status;
  if (!loader_) return status;
  for (const TileKey& key : tilesWanted()) {
    ++status.needed;
    if (!loader_->cached(key).isNull())
      ++status.ready;
    else if (loader_->failing(key))
      ++status.failing;
  }
  return status;
}

void MapWidget::requestTiles() {
  if (!loader_) return;
  wanted_ = tilesWanted();
  loader_->want(wanted_);
  updateTileNote();
}

void MapWidget::updateTileNote() {
  int missing = 0, failing = 0;
  if (loader_) {
    for (const TileKey& key : wanted_) {
      if (!loader_->cached(key).isNull()) continue;
      ++missing;
      failing += loader_->failing(key) ? 1 : 0;
    }
  }
  QString note;
  if (missing > 0 && failing == missing) {
    // Nothing more is on its way: the server cannot be reached, or will not give these tiles.
    note = missing == static_cast<int>(wanted_.size()) ? tr("Map offline: no tiles could be loaded")
                                                       : tr("Map offline: some tiles could not be loaded");
  } else if (missing > 0) {
    // On their way: said only once they have kept the map waiting a while. Until then the note
    // stays as it was, so that a failure's note does not flicker while its tiles are tried again.
    if (!loadingWaited_) {
      if (!loadingDelay_->isActive()) loadingDelay_->start();
      return;
    }
    note = tr("Loading map\u2026");
  }
  if (missing == 0 || failing == missing) {
    loadingDelay_->stop();
    loadingWaited_ = false;
  }
  if (note == tileNote_) return;
  tileNote_ = note;
  // Where there is room for one short line only.
  tileNoteShort_ = failing == missing && missing > 0 ? tr("Map offline") : note;
  update();
}

void MapWidget::resizeEvent(QResizeEvent*) {
  if (openingView_) {
    const auto opening = *openingView_;
    showAround(opening.first, opening.second);
  }
  placePositionControls();
  requestTiles();
}

void MapWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  paintDpr_ = painter.device()->devicePixelRatioF();
  ++frame_;
  drawTiles(painter);
  scaled_.removeIf([this](const auto& entry) { return entry.value().frame != frame_; });
  painter.setRenderHint(QPainter::Antialiasing);
  drawOverlays(painter);
  drawUserLocation(painter);
  drawScaleBar(painter);
  drawAttribution(painter);
  drawNotice(painter);
  if (keyboardFocus_) {
    // A yellow ring that shows on the dark page around the map and a dark one inside it that
    // shows on the map's light streets and bright imagery alike.
    painter.setRenderHint(QPainter::Antialiasing, false);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(0xfc, 0xd3, 0x4d), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
    painter.setPen(QPen(QColor(0x1f, 0x29, 0x33), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
    painter.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));
  }
}

void MapWidget::focusInEvent(QFocusEvent* event) {
  keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  QWidget::focusInEvent(event);  // paints again
}

void MapWidget::focusOutEvent(QFocusEvent* event) {
  keyboardFocus_ = false;
  QWidget::focusOutEvent(event);
}

void MapWidget::drawTiles(QPainter& painter) {
  const double s = scale();
  const double worldTop = height() / 2.0 - geo::worldY(camera_.center.latitude) * s;
  const double worldBottom = worldTop + s;
  if (worldTop > 0) painter.fillRect(QRectF(0, 0, width(), worldTop), kBeyondTheWorld);
  if (worldBottom < height())
    painter.fillRect(QRectF(0, worldBottom, width(), height() - worldBottom), kBeyondTheWorld);

  const auto layers = layersOnShow();
  if (layers.empty()) {
    for (const TileCell& cell : cellsFor(camera_, {-1, 0, static_cast<int>(kDefaultMaxZoom)}))
      drawPlaceholder(painter, cell.target);
    return;
  }
  for (size_t i = 0; i < layers.size(); ++i) {
    for (const TileCell& cell : cellsFor(camera_, layers[i])) {
      // A missing overlay tile leaves the imagery below it bare; a missing base tile shows the grid.
      if (!drawTile(painter, layers[i], cell) && i == 0) drawPlaceholder(painter, cell.target);
    }
  }
}

bool MapWidget::drawTile(QPainter& painter, const Layer& layer, const TileCell& cell) {
  // The tile itself, or else the part of the nearest coarser tile in memory that covers it.
  for (int up = 0; up <= kFallbackLevels && cell.z - up >= layer.minZoom; ++up) {
    const QImage image = loader_->cached({layer.index, cell.z - up, cell.x >> up, cell.y >> up});
    if (image.isNull()) continue;
    QRect source = image.rect();
    if (up > 0) {
      const int part = 1 << up;
      const int w = image.width() / part, h = image.height() / part;
      if (w < 1 || h < 1) return false;
      source = QRect((cell.x - ((cell.x >> up) << up)) * w, (cell.y - ((cell.y >> up) << up)) * h, w, h);
    }
    const double dpr = paintDpr_;
    if (source.size() == cell.target.size() && dpr == 1.0) {
      if (up == 0)
        painter.drawImage(cell.target.topLeft(), image);
      else
        painter.drawImage(cell.target.topLeft(), image, source);
    } else if (animating()) {
      // Frames of a glide are gone in a moment: scaled on the fly, the quick way.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
      painter.drawImage(cell.target, image, source);
    } else if (cell.target.width() * dpr > kLargestScaledTile || cell.target.height() * dpr > kLargestScaledTile) {
      // A tile far coarser than the view (an overlay layer that goes less deep, say) would make a
      // huge scaled copy: it is scaled while drawing instead, which touches only what is on show.
      painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
      painter.drawImage(cell.target, image, source);
    } else {
      painter.drawImage(
          cell.target.topLeft(),
          scaledTile({{layer.index, cell.z - up, cell.x >> up, cell.y >> up}, up, cell.target.size() * dpr}, image,
                     source, dpr));
    }
    return true;
  }
  return false;
}

const QImage& MapWidget::scaledTile(const ScaledTile& key, const QImage& image, const QRect& source, double dpr) {
  // A map at rest between two zoom levels redraws from these; they hold no more than the last frame.
  if (scaledZoom_ != camera_.zoom || scaledDpr_ != dpr) {
    scaled_.clear();
    scaledZoom_ = camera_.zoom;
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

void MapWidget::drawPlaceholder(QPainter& painter, const QRect& target) {
  painter.fillRect(target, kPlaceholderGround);
  // A grid of quarter tiles, so that panning and zooming still show.
  const int step = std::max(1, target.width() / 4);
  for (int i = 0; i < 4; ++i) {
    painter.fillRect(QRect(target.left() + i * step, target.top(), 1, target.height()), kPlaceholderLines);
    painter.fillRect(QRect(target.left(), target.top() + i * step, target.width(), 1), kPlaceholderLines);
  }
}

// ---- what is drawn over the tiles: the overlays, then the decorations ----

void MapWidget::drawOverlays(QPainter& painter) {
  for (CircleEntry& entry : entries_) {
    if (!entry.style && entry.styleSource) {
      entry.style = entry.styleSource();
      if (entry.style) overlaysChanged_ = true;
    }
  }
  // While gliding, the overlays are drawn once as they will look where the glide ends and only
  // scaled on the way there: drawing a large antialiased shape anew at every step keeps the
  // painter's helper threads waking.
  const geo::Camera& basis = animating() ? animationTo_ : camera_;
  const double s = geo::kTileSize * std::exp2(basis.zoom);
  const double dpr = paintDpr_;
  const QPointF basisWorld(geo::worldX(basis.center.longitude), geo::worldY(basis.center.latitude));
  const QRectF view(basisWorld * s - QPointF(width() / 2.0, height() / 2.0), QSizeF(width(), height()));

  // Where the overlays are, in world pixels, each as the copy of the world nearest the view.
  QRectF extent;
  std::vector<double> shifts;
  for (const CircleEntry& entry : entries_) {
    const double shift = std::round(geo::worldX(entry.circle.centre.longitude) - basisWorld.x());
    shifts.push_back(shift);
    if (entry.style && !entry.ring.empty())
      extent |=
          QRectF(entry.bounds.topLeft() * s - QPointF(shift * s, 0), entry.bounds.size() * s).adjusted(-2, -2, 2, 2);
  }
  const MapLayerFrame frame{s, basisWorld};
  for (const MapLayer* layer : featureLayers_) extent |= layer->extent(frame);
  const QRectF needed = extent & view;
  if (needed.isEmpty()) return;

  const bool reusable = !overlaysChanged_ && overlayZoom_ == basis.zoom && overlayImage_.devicePixelRatio() == dpr &&
                        QRectF(overlayOrigin_, overlayImage_.deviceIndependentSize()).contains(needed);
  if (!reusable) {
    // Drawn a little beyond the view, so that short pans reuse it.
    const double margin = 128;
    const QRectF area = (extent & view.adjusted(-margin, -margin, margin, margin)).toAlignedRect();
    overlayImage_ =
        QImage(std::max(1, static_cast<int>(std::ceil(area.width() * dpr))),
               std::max(1, static_cast<int>(std::ceil(area.height() * dpr))), QImage::Format_ARGB32_Premultiplied);
    overlayImage_.setDevicePixelRatio(dpr);
    overlayImage_.fill(Qt::transparent);
    QPainter picture(&overlayImage_);
    picture.setRenderHint(QPainter::Antialiasing);
    auto outline = [&](const std::vector<QPointF>& points, double shift) {
      QPolygonF polygon;
      polygon.reserve(static_cast<qsizetype>(points.size()));
      for (const QPointF& p : points) polygon << QPointF((p.x() - shift) * s - area.left(), p.y() * s - area.top());
      QPainterPath path;
      path.addPolygon(polygon);
      path.closeSubpath();
      return path;
    };
    // The features' layers under the overlays, each in its own state of the painter.
    for (const MapLayer* layer : featureLayers_) {
      picture.save();
      layer->paint(picture, frame, area.topLeft());
      picture.restore();
    }
    for (size_t i = 0; i < entries_.size(); ++i) {
      const CircleEntry& entry = entries_[i];
      if (!entry.style || entry.ring.empty()) continue;
      const QPainterPath path = outline(entry.ring, shifts[i]);
      if (entry.style->fill) picture.fillPath(path, *entry.style->fill);
      if (entry.style->stroke) {
        QPen pen(*entry.style->stroke);
        pen.setWidthF(entry.style->lineWidth);  // 0: a hairline, one device pixel
        pen.setCosmetic(entry.style->lineWidth == 0);
        picture.strokePath(path, pen);
      }
    }
    overlayOrigin_ = area.topLeft();
    overlayZoom_ = basis.zoom;
    overlaysChanged_ = false;
  }
  const QPointF cameraWorld(geo::worldX(camera_.center.longitude), geo::worldY(camera_.center.latitude));
  const QPointF viewOrigin = cameraWorld * scale() - QPointF(width() / 2.0, height() / 2.0);
  const double k = scale() / s;  // from the zoom it was drawn at to the one on show
  if (k == 1) {
    // On whole device pixels, like the tiles under it.
    const QPointF offset = overlayOrigin_ - viewOrigin;
    painter.drawImage(QPointF(std::round(offset.x() * dpr) / dpr, std::round(offset.y() * dpr) / dpr), overlayImage_);
    return;
  }
  painter.save();
  painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
  painter.drawImage(QRectF(overlayOrigin_ * k - viewOrigin, overlayImage_.deviceIndependentSize() * k), overlayImage_);
  painter.restore();
}

void MapWidget::drawUserLocation(QPainter& painter) {
  const std::optional<CLLocationCoordinate2D> user = userLocation();
  if (!user) return;
  decorations_.drawUserLocation(painter, pointForCoordinate(*user), accuracy_,
                                geo::metersPerPixel(user->latitude, camera_.zoom), size(), paintDpr_);
}

void MapWidget::drawScaleBar(QPainter& painter) {
  decorations_.drawScaleBar(painter, geo::metersPerPixel(camera_.center.latitude, camera_.zoom),
                            std::min(110.0, width() / 3.0), font(), paintDpr_);
}

QString MapWidget::attribution() const {
  const auto type = static_cast<MapType>(std::clamp(static_cast<int>(mapType_), 0, 2));
  const TileSource* source = loader_ ? sources_.source(type) : nullptr;
  return source ? source->attribution() : QString();
}

void MapWidget::drawAttribution(QPainter& painter) {
  const QString credit = attribution();
  const double creditWidth = width() - 12.0;
  if (tileNote_.isEmpty()) {
    creditRect_ = decorations_.drawAttribution(painter, credit, size(), creditWidth, font(), paintDpr_).toAlignedRect();
    return;
  }
  // The tile note stands in the middle above the credit, where no control or panel goes. When
  // the map is too short for that, it shares the credit's line, on one line at the left.
  QFont font = this->font();
  setTextPixels(font, kTileNotePixels);
  const double creditTop = credit.isEmpty() ? height() : height() - 3 - MapDecorations::attributionHeight(this->font());
  const QImage& wrapped = decorations_.mapNote(tileNote_, width() - 24.0, false, font, paintDpr_);
  const QSizeF size = wrapped.deviceIndependentSize();
  const double top = std::round(creditTop - kTileNoteGap - size.height());
  if (top >= topDecorationsBottom() + kTileNoteGap) {
    creditRect_ = decorations_.drawAttribution(painter, credit, this->size(), creditWidth, this->font(), paintDpr_)
                      .toAlignedRect();
    painter.drawImage(QPointF(std::round((width() - size.width()) / 2), top), wrapped);
    return;
  }
  const QImage& line = decorations_.mapNote(tileNoteShort_, std::round(width() * 0.55), true, font, paintDpr_);
  const QSizeF lineSize = line.deviceIndependentSize();
  painter.drawImage(QPointF(3, height() - 3 - lineSize.height()), line);
  creditRect_ =
      decorations_
          .drawAttribution(painter, credit, this->size(), width() - lineSize.width() - 18, this->font(), paintDpr_)
          .toAlignedRect();
}

// ---- input ----

bool MapWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // Over the credit, the whole of it: the map may show it cut short.
    auto* help = static_cast<QHelpEvent*>(event);
    if (creditRect_.contains(help->pos())) {
      QToolTip::showText(help->globalPos(), attribution(), this, creditRect_);
      return true;
    }
  }
  if (event->type() == QEvent::NativeGesture) {  // touchpad pinch
    auto* gesture = static_cast<QNativeGestureEvent*>(event);
    if (gesture->gestureType() == Qt::ZoomNativeGesture) {
      zoomAround(gesture->position(), std::log2(1 + gesture->value()));
      return true;
    }
  } else if (event->type() == QEvent::Gesture) {  // touch-screen pinch
    auto* gestures = static_cast<QGestureEvent*>(event);
    if (auto* pinch = static_cast<QPinchGesture*>(gestures->gesture(Qt::PinchGesture))) {
      if (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged && pinch->scaleFactor() > 0)
        zoomAround(mapFromGlobal(pinch->centerPoint()), std::log2(pinch->scaleFactor()));
      gestures->accept(pinch);
      return true;
    }
  }
  return QWidget::event(event);
}

void MapWidget::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  dragFrom_ = event->position();
  pressedAt_ = event->position().toPoint();
  longPress_->start();
}

void MapWidget::mouseMoveEvent(QMouseEvent* event) {
  if ((event->position().toPoint() - pressedAt_).manhattanLength() > QApplication::startDragDistance())
    longPress_->stop();
  if (!dragFrom_) return;
  const QPointF delta = event->position() - *dragFrom_;
  dragFrom_ = event->position();
  panBy(delta);
}

void MapWidget::mouseReleaseEvent(QMouseEvent*) {
  longPress_->stop();
  if (dragFrom_) emit regionChanged();
  dragFrom_.reset();
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event) { zoomAround(event->position(), 1); }

void MapWidget::wheelEvent(QWheelEvent* event) {
  zoomAround(event->position(), event->angleDelta().y() / 120.0 * kWheelNotchZoom);
}

void MapWidget::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, height() / 2.0);
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: zoomAround(middle, 1); break;
    case Qt::Key_Minus: zoomAround(middle, -1); break;
    case Qt::Key_Left: panBy({kKeyPanPixels, 0}); break;
    case Qt::Key_Right: panBy({-kKeyPanPixels, 0}); break;
    case Qt::Key_Up: panBy({0, kKeyPanPixels}); break;
    case Qt::Key_Down: panBy({0, -kKeyPanPixels}); break;
    default: QWidget::keyPressEvent(event); return;
  }
}

void MapWidget::panBy(QPointF pixels) {
  animation_.stop();
  openingView_.reset();
  const double s = scale();
  const double x = geo::worldX(camera_.center.longitude) - pixels.x() / s;
  const double y = std::clamp(geo::worldY(camera_.center.latitude) - pixels.y() / s, 0.0, 1.0);
  camera_.center = {geo::latitudeFromWorldY(y), wrap360(geo::longitudeFromWorldX(x))};
  requestTiles();
  update();
}

void MapWidget::zoomAround(QPointF anchor, double zoomDelta) {
  if (!std::isfinite(zoomDelta)) return;
  animation_.stop();
  openingView_.reset();
  const double s0 = scale();
  const double ax = geo::worldX(camera_.center.longitude) + (anchor.x() - width() / 2.0) / s0;
  const double ay = geo::worldY(camera_.center.latitude) + (anchor.y() - height() / 2.0) / s0;
  // A map left deeper than its source goes (after a change of map type) may zoom out, not further in.
  camera_.zoom = std::clamp(camera_.zoom + zoomDelta, minZoom(), std::max(maxZoom(), camera_.zoom));
  const double s1 = scale();
  const double cx = ax - (anchor.x() - width() / 2.0) / s1;
  const double cy = std::clamp(ay - (anchor.y() - height() / 2.0) / s1, 0.0, 1.0);
  camera_.center = {geo::latitudeFromWorldY(cy), wrap360(geo::longitudeFromWorldX(cx))};
  requestTiles();
  update();
  emit regionChanged();
}

}  // namespace storm::qt
