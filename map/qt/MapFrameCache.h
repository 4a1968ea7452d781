#pragma once

#include <QImage>
#include <QPointF>
#include <QRect>
#include <QSize>
#include <functional>
#include <optional>

#include "map/qt/MapModel.h"

class QPainter;

// Keeps what moves with the map (its tiles, the features' layers and the circles) drawn over a
// stretch a little larger than the view, so that a map at rest is repainted by copying the part on
// show: when the countdown over it ticks, or when it is dragged by whole pixels. The picture is made
// once the map has been drawn twice alike (the same zoom, density and content) with every tile it
// shows in memory, and is copied only where that gives the very pixels drawing would.

namespace storm::qt {

class MapFrameCache {
 public:
  // Draws `area` of the view (view pixels) onto a painter whose origin is the view's top left.
  using Draw = std::function<void(QPainter& painter, const QRect& area)>;

  // Draws the view onto `painter` (whose device has `dpr` device pixels to a view pixel): copied
  // from the picture when it shows it, else by `draw`.
  void paint(QPainter& painter, MapModel& model, double dpr, const Draw& draw);

 private:
  struct Key {
    double zoom = 0;
    double dpr = 1;
    QSize view;
    quint64 tiles = 0;
    quint64 overlays = 0;
    friend bool operator==(const Key&, const Key&) = default;
  };

  // Whether the picture shows the view with its corner at `now` (world pixels) as drawing would.
  bool shows(QPointF now) const;
  // Whether drawing the map with the view's corner at `origin` rounds any edge (a tile's, the
  // world's, the overlays') from exactly half way between two pixels, which a view moved by whole
  // pixels might round the other way.
  static bool roundsHalfway(const MapModel& model, QPointF origin, const QRect& area, double dpr);

  QImage image_;             // the view and a margin round it; opaque
  QPointF origin_;           // the view's corner when it was drawn, in world pixels
  std::optional<Key> kept_;  // what the picture shows
  bool served_ = false;      // whether it has been copied since the frame it was made for
  std::optional<Key> last_;  // what the frame before showed
  QPointF lastOrigin_;       // and where
};

}  // namespace storm::qt
