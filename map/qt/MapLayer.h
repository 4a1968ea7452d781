#pragma once

#include <QPointF>
#include <QRectF>
#include <QWidget>

class QPainter;

// What a feature adds to the map widget without the map knowing the feature: a layer drawn under
// the overlays, and a panel laid over the top of the map clear of the map's own controls.

namespace storm::qt {

// The zoom and place a layer is drawn for. Positions are in world pixels: Web Mercator world units
// (0 to 1 across the world) times `scale`.
struct MapLayerFrame {
  double scale = 1;    // pixels per world unit
  QPointF viewCentre;  // in world units; a layer draws each shape as the copy of the world nearest it
};

class MapLayer {
 public:
  virtual ~MapLayer() = default;
  // Where it draws, in world pixels; empty when it draws nothing.
  virtual QRectF extent(const MapLayerFrame& frame) const = 0;
  // Draws onto `painter`, whose origin is the world pixel `origin`.
  virtual void paint(QPainter& painter, const MapLayerFrame& frame, QPointF origin) const = 0;
};

class MapPanel : public QWidget {
 public:
  using QWidget::QWidget;
  // Whether it has anything to show; an empty panel is hidden and takes no room.
  virtual bool isEmpty() const = 0;
  // Takes the size it needs within `maxWidth` × `maxHeight` where it can, and never more than
  // `roomHeight` (at least `maxHeight`) high.
  virtual void fitInto(int maxWidth, int maxHeight, int roomHeight) = 0;
};

}  // namespace storm::qt
