#include "storm/qt/StormTrackLayer.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "map/GeoMath.h"
#include "storm/Track.h"
#include "storm/Trend.h"

namespace storm::qt {

namespace {

const QColor kMarkInk(0xb9, 0x1c, 0x1c);
const QColor kTrackInk(0x6d, 0x28, 0xd9);
const QColor kHalo(0xff, 0xff, 0xff);
constexpr double kArcStepDegrees = 2.5;
constexpr double kMarkReach = 6;      // pixels around a shape that its strokes and dots take
constexpr double kArrowHead = 11;     // pixels
constexpr double kClosestRadius = 7;  // pixels

// A point in world units, its x taken as the copy nearest `nearX` (so that a shape crossing the
// antimeridian stays whole).
QPointF world(GeoPoint c, double nearX) {
  double x = geo::worldX(c.longitude);
  x -= std::round(x - nearX);
  return {x, geo::worldY(c.latitude)};
}

// How far (in whole worlds) the copy of a shape nearest the view lies from the shape itself.
double shiftOf(const QRectF& bounds, const MapLayerFrame& frame) {
  return std::round(bounds.center().x() - frame.viewCentre.x());
}

QRectF grown(const QRectF& bounds, double scale, double shift, double reach) {
  return QRectF((bounds.left() - shift) * scale, bounds.top() * scale, bounds.width() * scale, bounds.height() * scale)
      .adjusted(-reach, -reach, reach, reach);
}

}  // namespace

bool StormTrackLayer::setMarks(std::vector<StrikeMark> marks) {
  if (marks == marks_) return false;
  markShapes_.clear();
  for (const StrikeMark& m : marks) {
    if (!(m.km > 0) || !std::isfinite(m.km) || !std::isfinite(m.bearing) || !std::isfinite(m.from.latitude) ||
        !std::isfinite(m.from.longitude))
      continue;
    MarkShape shape;
    shape.opacity = std::clamp(m.opacity, 0.0, 1.0);
    shape.setAside = m.setAside;
    const double nearX = geo::worldX(m.from.longitude);
    // The arc across the bearing at the far edge of the distance's error, then back at the near one.
    const double depth = std::max(kDistanceErrorKm, 0.02 * m.km);
    for (int side : {1, -1}) {
      const double metres = (m.km + side * depth) * 1000;
      for (double a = -kBearingErrorDegrees; a <= kBearingErrorDegrees + 1e-9; a += kArcStepDegrees)
        shape.outline << world(geo::destination(m.from, m.bearing + side * a, std::max(0.0, metres)), nearX);
    }
    shape.point = world(geo::destination(m.from, m.bearing, m.km * 1000), nearX);
    shape.bounds = shape.outline.boundingRect();
    markShapes_.push_back(std::move(shape));
  }
  marks_ = std::move(marks);
  return true;
}

bool StormTrackLayer::setTrack(std::optional<TrackPicture> track) {
  if (track == track_) return false;
  trackShape_.reset();
  if (track && std::isfinite(track->centre.latitude) && std::isfinite(track->aheadKm)) {
    TrackShape shape;
    const double nearX = geo::worldX(track->centre.longitude);
    shape.from = world(track->centre, nearX);
    shape.to = world(track->ahead, nearX);
    const double spread = std::clamp(track->spreadDegrees, 0.0, 90.0);
    shape.cone << shape.from;
    for (double a = -spread; a <= spread + 1e-9; a += std::max(1.0, spread / 8))
      shape.cone << world(geo::destination(track->centre, track->headingDegrees + a, track->aheadKm * 1000), nearX);
    if (track->closest) shape.closest = world(*track->closest, nearX);
    shape.bounds = shape.cone.boundingRect();
    if (shape.closest) shape.bounds |= QRectF(*shape.closest, QSizeF(0, 0));
    trackShape_ = std::move(shape);
  }
  track_ = std::move(track);
  return true;
}

QRectF StormTrackLayer::extent(const MapLayerFrame& frame) const {
  QRectF extent;
  for (const MarkShape& m : markShapes_) extent |= grown(m.bounds, frame.scale, shiftOf(m.bounds, frame), kMarkReach);
  if (trackShape_)
    extent |= grown(trackShape_->bounds, frame.scale, shiftOf(trackShape_->bounds, frame), kArrowHead + kMarkReach);
  return extent;
}

namespace {

QPen stroke(QColor ink, double width, double opacity) {
  ink.setAlphaF(static_cast<float>(opacity));
  return QPen(ink, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

}  // namespace

void StormTrackLayer::paint(QPainter& painter, const MapLayerFrame& frame, QPointF origin) const {
  painter.save();
  painter.setRenderHint(QPainter::Antialiasing);
  // Where a shape's world points fall on the screen: the copy of the world nearest the view.
  auto placer = [&](const QRectF& bounds) {
    const double shift = shiftOf(bounds, frame), s = frame.scale;
    return [=](QPointF p) { return QPointF((p.x() - shift) * s - origin.x(), p.y() * s - origin.y()); };
  };
  if (trackShape_) {
    const auto place = placer(trackShape_->bounds);
    QPolygonF cone;
    for (const QPointF& p : trackShape_->cone) cone << place(p);
    paintTrack(painter, cone, place(trackShape_->from), place(trackShape_->to),
               trackShape_->closest ? std::optional(place(*trackShape_->closest)) : std::nullopt);
  }
  // The oldest first, so that the newest lie on top.
  for (auto m = markShapes_.rbegin(); m != markShapes_.rend(); ++m) {
    const auto place = placer(m->bounds);
    QPolygonF outline;
    for (const QPointF& p : m->outline) outline << place(p);
    paintMark(painter, *m, outline, place(m->point));
  }
  painter.restore();
}

void StormTrackLayer::paintTrack(QPainter& painter, const QPolygonF& cone, QPointF from, QPointF to,
                                 std::optional<QPointF> closest) {
  QColor fill = kTrackInk;
  fill.setAlphaF(0.16f);
  painter.setPen(stroke(kTrackInk, 1, 0.6));
  painter.setBrush(fill);
  painter.drawPolygon(cone);
  const QPointF along = to - from;
  const double length = std::hypot(along.x(), along.y());
  QPolygonF head;
  if (length > 1) {
    const QPointF u = along / length, n(-u.y(), u.x());
    head << to << to - u * kArrowHead + n * kArrowHead * 0.55 << to - u * kArrowHead - n * kArrowHead * 0.55;
  }
  for (const auto& [ink, width] : {std::pair{kHalo, 6.0}, std::pair{kTrackInk, 3.0}}) {
    painter.setPen(stroke(ink, width, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawLine(from, to);
    painter.setBrush(ink);
    if (!head.isEmpty()) painter.drawPolygon(head);
  }
  if (!closest) return;
  painter.setBrush(Qt::NoBrush);
  painter.setPen(stroke(kHalo, 5, 1));
  painter.drawEllipse(*closest, kClosestRadius, kClosestRadius);
  painter.setPen(stroke(kTrackInk, 2.5, 1));
  painter.drawEllipse(*closest, kClosestRadius, kClosestRadius);
  painter.setBrush(kTrackInk);
  painter.setPen(Qt::NoPen);
  painter.drawEllipse(*closest, 2.5, 2.5);
}

void StormTrackLayer::paintMark(QPainter& painter, const MarkShape& mark, const QPolygonF& outline, QPointF point) {
  QColor fill = kMarkInk;
  fill.setAlphaF(static_cast<float>(0.35 * mark.opacity));
  painter.setPen(stroke(kHalo, 3, 0.8 * mark.opacity));
  painter.setBrush(Qt::NoBrush);
  painter.drawPolygon(outline);
  // A mark the track leaves out is drawn hollow and dashed: still there, but not counted.
  QPen edge = stroke(kMarkInk, 1.5, mark.opacity);
  if (mark.setAside) edge.setStyle(Qt::DashLine);
  painter.setPen(edge);
  painter.setBrush(mark.setAside ? QBrush(Qt::NoBrush) : QBrush(fill));
  painter.drawPolygon(outline);
  QColor dot = kMarkInk;
  dot.setAlphaF(static_cast<float>(mark.opacity));
  painter.setPen(stroke(kHalo, 1.5, mark.opacity));
  painter.setBrush(dot);
  painter.drawEllipse(point, 3.5, 3.5);
}

}  // namespace storm::qt
