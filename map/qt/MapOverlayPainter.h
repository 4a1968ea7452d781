#pragma once

#include <QImage>
#include <QPointF>
#include <optional>
#include <vector>

#include "map/qt/MapModel.h"

class QPainter;

// Draws what lies over the map's tiles: the layers features add and over them the circles. They
// are drawn for one zoom into a picture of a stretch of the map around the view, which a pan only
// moves; while the map glides they are drawn once as they will look where it ends and only scaled
// on the way there, since drawing large antialiased shapes anew at every step keeps the painter's
// helper threads waking.

namespace storm::qt {

class MapOverlayPainter {
 public:
  // Draws `area` of the view (view pixels) onto `painter`, whose origin is the view's top left and
  // whose device has `dpr` device pixels to a view pixel.
  void paint(QPainter& painter, MapModel& model, double dpr, const QRect& area);

 private:
  // Draws the layers and circles within `drawn` (world pixels) into the picture.
  void redraw(MapModel& model, const MapLayerFrame& frame, const QRectF& drawn, double dpr,
              const std::vector<double>& shifts);
  // Puts the picture where the camera shows it, scaled from `drawnScale` while the map glides.
  void show(QPainter& painter, MapModel& model, double dpr, double drawnScale) const;

  QImage image_;
  QPointF origin_;  // its top left, in world pixels at zoom_
  double zoom_ = -1;
  std::optional<quint64> generation_;  // of the model's overlays it shows
};

}  // namespace storm::qt
