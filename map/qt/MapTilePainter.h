#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QRect>
#include <QSize>

#include "map/qt/MapModel.h"
#include "map/qt/TileLoader.h"

class QPainter;

// Draws the map's tiles for the camera of a map model: each tile from memory, a missing one from
// the part of the nearest coarser tile in memory that covers it, else a placeholder grid; the
// world's ends beyond the poles in a plain colour. Tiles scaled for a zoom between two levels are
// kept from one frame for the next.

namespace storm::qt {

class MapTilePainter {
 public:
  // Draws `area` of the view (view pixels) onto `painter`, whose origin is the view's top left and
  // whose device has `dpr` device pixels to a view pixel.
  void paint(QPainter& painter, const MapModel& model, double dpr, const QRect& area);
  // A tile fetched again replaces its old image: scaled copies of that one are out of date.
  void forget(const TileKey& key);
  // The night look: tiles dimmed and darkened, the grid and the world's ends dark.
  void setNight(bool night);

 private:
  struct ScaledTile {
    TileKey key;  // the tile whose image was scaled
    int up = 0;   // levels above the cell it stands in for
    QSize size;   // device pixels
    friend bool operator==(const ScaledTile&, const ScaledTile&) = default;
    friend size_t qHash(const ScaledTile& t, size_t seed = 0) {
      return qHashMulti(seed, t.key, t.up, t.size.width(), t.size.height());
    }
  };
  struct Scaled {
    QImage image;
    quint64 frame = 0;  // the last one it was drawn in
  };

  bool drawTile(QPainter& painter, const MapModel& model, const MapModel::TileLayerOnShow& layer,
                const MapModel::TileCell& cell, double dpr);
  const QImage& scaledTile(const ScaledTile& key, const QImage& image, const QRect& source, double zoom, double dpr);
  // The night copy of a tile, made once and kept while the tile's image stays the same.
  QImage nightTile(const TileKey& key, const QImage& image);
  void drawPlaceholder(QPainter& painter, const QRect& target) const;

  struct NightTile {
    QImage image;
    qint64 from = 0;  // the cache key of the image it was made from
  };

  QHash<ScaledTile, Scaled> scaled_;
  quint64 frame_ = 0;
  double scaledZoom_ = -1;
  double scaledDpr_ = 1;
  bool night_ = false;
  QCache<TileKey, NightTile> nightTiles_{256};  // tiles, enough for a large window and its margin
};

}  // namespace storm::qt
