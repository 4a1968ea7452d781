#pragma once

#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <optional>
#include <vector>

#include "map/qt/MapLayer.h"
#include "storm/StormPicture.h"

// Where the storm is and where it goes, on the map: each strike placed by the direction of its
// flash as a small arc, as wide as the direction's error and as deep as the distance's, fading with
// age like the rings; and the storm's fitted track as an arrow from its centre now to where it will
// be, inside the cone its heading may lie in, with a ring at the point where it comes closest to
// the person. Drawn in dark red and violet on a light halo, readable on streets, imagery and the
// night map alike.

namespace storm::qt {

class StormTrackLayer : public MapLayer {
 public:
  // Whether anything changed.
  bool setMarks(std::vector<StrikeMark> marks);
  bool setTrack(std::optional<TrackPicture> track);
  const std::vector<StrikeMark>& marks() const { return marks_; }
  const std::optional<TrackPicture>& track() const { return track_; }

  QRectF extent(const MapLayerFrame& frame) const override;
  void paint(QPainter& painter, const MapLayerFrame& frame, QPointF origin) const override;

 private:
  // Outlines in world units, worked out once for each mark and track given.
  struct MarkShape {
    bool setAside = false;
    QPolygonF outline;
    QPointF point;
    QRectF bounds;
    double opacity = 1;
  };
  struct TrackShape {
    QPolygonF cone;
    QPointF from, to;
    std::optional<QPointF> closest;
    QRectF bounds;
  };

  static void paintTrack(QPainter& painter, const QPolygonF& cone, QPointF from, QPointF to,
                         std::optional<QPointF> closest);
  static void paintMark(QPainter& painter, const MarkShape& mark, const QPolygonF& outline, QPointF point);

  std::vector<StrikeMark> marks_;
  std::vector<MarkShape> markShapes_;
  std::optional<TrackPicture> track_;
  std::optional<TrackShape> trackShape_;
};

}  // namespace storm::qt
