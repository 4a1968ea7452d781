// The map model's tiles: the layers of each map type, which tiles cover the view, what the loader
// is asked for, how far along they are, and the note that says so at the foot of the map.

#include <QTimer>
#include <algorithm>
#include <cmath>

#include "map/qt/MapModel.h"

namespace storm::qt {

namespace {

constexpr int kMaxCells = 1024;  // beyond this many tiles a layer is too far zoomed out to draw
// Tiles that come within this long are not worth a note: a pan to new ground would flash one.
constexpr int kLoadingNoteDelayMs = 700;

int wrapTile(long long x, int n) { return static_cast<int>(((x % n) + n) % n); }

}  // namespace

void MapModel::makeTileNoteDelay() {
  loadingDelay_ = new QTimer(this);
  loadingDelay_->setSingleShot(true);
  loadingDelay_->setInterval(kLoadingNoteDelayMs);
  connect(loadingDelay_, &QTimer::timeout, this, [this] {
    loadingWaited_ = true;
    updateTileNote();
  });
}

void MapModel::setTileSources(const MapSources& sources, TileLoader::Settings settings) {
  delete loader_;
  sources_ = sources;
  loader_ = new TileLoader(std::move(settings), this);
  ++tileGeneration_;
  connect(loader_, &TileLoader::tileReady, this, [this](const TileKey& key) {
    ++tileGeneration_;
    emit tileReady(key);
    emit changed();
    updateTileNote();
  });
  connect(loader_, &TileLoader::tileFailed, this, [this] { updateTileNote(); });
  connect(loader_, &TileLoader::retryDue, this, [this] { requestTiles(); });
  for (int type = 0; type < 3; ++type) {
    auto& layers = tileLayers_[static_cast<size_t>(type)];
    layers.clear();
    const TileSource* source = sources_.source(static_cast<MapType>(type));
    if (!source) continue;
    layers.push_back({loader_->addLayer(source->base), source->base.minZoom, source->base.maxZoom});
    if (source->overlay)
      layers.push_back({loader_->addLayer(*source->overlay), source->overlay->minZoom, source->overlay->maxZoom});
  }
  requestTiles();
  emit changed();
}

std::vector<MapModel::TileLayerOnShow> MapModel::layersOnShow() const {
  if (!loader_) return {};
  return tileLayers_[static_cast<size_t>(std::clamp(static_cast<int>(mapType_), 0, 2))];
}

QString MapModel::attribution() const {
  const auto type = static_cast<MapType>(std::clamp(static_cast<int>(mapType_), 0, 2));
  const TileSource* source = loader_ ? sources_.source(type) : nullptr;
  return source ? source->attribution() : QString();
}

std::vector<MapModel::TileCell> MapModel::cellsFor(const geo::Camera& camera, const TileLayerOnShow& layer,
                                                   QRect area) const {
  const QSize view = viewSize();
  const int width = view.width(), height = view.height();
  if (area.isEmpty()) area = QRect(QPoint(0, 0), view);
  const int z = std::clamp(static_cast<int>(std::lround(camera.zoom)), layer.minZoom, layer.maxZoom);
  const int n = 1 << z;
  const double s = geo::kTileSize * std::exp2(camera.zoom);
  const double tile = s / n;
  const double left = geo::worldX(camera.center.longitude) * s - width / 2.0;
  const double top = geo::worldY(camera.center.latitude) * s - height / 2.0;
  const auto tx0 = static_cast<long long>(std::floor((left + area.left()) / tile));
  const auto tx1 = static_cast<long long>(std::ceil((left + area.left() + area.width()) / tile)) - 1;
  const auto ty0 = std::max(0LL, static_cast<long long>(std::floor((top + area.top()) / tile)));
  const auto ty1 =
      std::min<long long>(n - 1, static_cast<long long>(std::ceil((top + area.top() + area.height()) / tile)) - 1);
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
  const QPoint middle(width / 2, height / 2);
  std::stable_sort(cells.begin(), cells.end(), [&](const TileCell& a, const TileCell& b) {
    return (a.target.center() - middle).manhattanLength() < (b.target.center() - middle).manhattanLength();
  });
  return cells;
}

std::vector<TileKey> MapModel::tilesWanted() {
  // While gliding, only the destination's tiles are fetched; the frames on the way make do with
  // what is in memory.
  std::vector<TileKey> keys;
  for (const TileLayerOnShow& layer : layersOnShow())
    for (const TileCell& cell : cellsFor(destination(), layer)) keys.push_back({layer.index, cell.z, cell.x, cell.y});
  return keys;
}

MapModel::TileStatus MapModel::tileStatus() {
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

void MapModel::requestTiles() {
  if (!loader_) return;
  wanted_ = tilesWanted();
  loader_->want(wanted_);
  updateTileNote();
}

void MapModel::updateTileNote() {
  int missing = 0, failing = 0;
  if (loader_) {
    for (const TileKey& key : wanted_) {
      if (!loader_->cached(key).isNull()) continue;
      ++missing;
      failing += loader_->failing(key) ? 1 : 0;
    }
  }
  TileNote note = TileNote::None;
  if (missing > 0 && failing == missing) {
    // Nothing more is on its way: the server cannot be reached, or will not give these tiles.
    note = missing == static_cast<int>(wanted_.size()) ? TileNote::AllOffline : TileNote::SomeOffline;
  } else if (missing > 0) {
    // On their way: said only once they have kept the map waiting a while. Until then the note
    // stays as it was, so that a failure's note does not flicker while its tiles are tried again.
    if (!loadingWaited_) {
      if (!loadingDelay_->isActive()) loadingDelay_->start();
      return;
    }
    note = TileNote::Loading;
  }
  if (missing == 0 || failing == missing) {
    loadingDelay_->stop();
    loadingWaited_ = false;
  }
  if (note == tileNote_) return;
  tileNote_ = note;
  emit changed();
}

}  // namespace storm::qt
