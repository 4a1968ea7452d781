#include "storm/qt/StormLayer.h"

#include <QCoreApplication>
#include <QPainter>
#include <QPolygonF>
#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>

#include "map/GeoMath.h"
#include "map/qt/MapControlButton.h"
#include "map/qt/MapWidget.h"
#include "storm/qt/BearingPanel.h"
#include "storm/qt/BearingPrompt.h"
#include "storm/qt/StormPanelWidget.h"
#include "system/qt/Accessibility.h"
#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

constexpr int kRingPoints = 96;  // even: the outline is built from its eastern half
const QColor kRingInk(0xb9, 0x1c, 0x1c);
const QColor kRingHalo(0xff, 0xff, 0xff);
constexpr double kRingReach = 2;  // pixels either side of the line that its halo takes
constexpr double kRingHaloShare = 0.7;

// A ring's outline in world units. A geodesic circle is symmetric about its centre's meridian, so
// the western half mirrors the eastern one: half the geodesic sums for each ring.
std::vector<QPointF> ringOutline(GeoPoint center, double metres) {
  std::vector<QPointF> points(kRingPoints);
  const double mirror = 2 * geo::worldX(center.longitude);
  for (int i = 0; i <= kRingPoints / 2; ++i) {
    const GeoPoint c = geo::destination(center, 360.0 * i / kRingPoints, metres);
    points[static_cast<size_t>(i)] = {geo::worldX(c.longitude), geo::worldY(c.latitude)};
    if (i > 0 && i < kRingPoints / 2)
      points[static_cast<size_t>(kRingPoints - i)] = {mirror - points[static_cast<size_t>(i)].x(),
                                                      points[static_cast<size_t>(i)].y()};
  }
  return points;
}

// How far (in whole worlds) the copy of a ring nearest the view lies from the ring itself.
double shiftOf(const StrikeRing& ring, const MapLayerFrame& frame) {
  return std::round(geo::worldX(ring.center.longitude) - frame.viewCentre.x());
}

}  // namespace

StormLayer::StormLayer(MapWidget* map, bool held) : map_(map) {
  if (held) held_ = Held{};
  if (!map) return;
  panelWidget_ = new StormPanelWidget(map);
  panelWidget_->onShowStorm = [this] { showStorm(); };
  map->setTopPanel(panelWidget_);
  // Four corners closing round the storm.
  auto* control = new MapControlButton(map, [](QPainter& p, QPointF c, QColor ink) {
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (const QPointF& corner : {QPointF(-1, -1), QPointF(1, -1), QPointF(1, 1), QPointF(-1, 1)}) {
      const QPointF tip = c + corner * 9;
      p.drawPolyline(QPolygonF{tip - QPointF(corner.x() * 5, 0), tip, tip - QPointF(0, corner.y() * 5)});
    }
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(c, 2.5, 2.5);
  });
  control->setObjectName("showStormControl");
  const QString words = QCoreApplication::translate("Localizable", "Show the storm");
  control->setToolTip(words);
  control->setAccessibleName(words);
  control->setFocusPolicy(Qt::NoFocus);
  QObject::connect(control, &QAbstractButton::clicked, control, [this] { showStorm(); });
  showStorm_ = control;
  map->addControl(control);
  map->model().addLayer(this);
  map->model().addLayer(&trackLayer_);
}

void StormLayer::makeQuestion() {
  if (prompt_ || !map_) return;
  bearingPanel_ = new BearingPanel(map_);
  map_->setBottomPanel(bearingPanel_);
  prompt_ = std::make_unique<BearingPrompt>(map_, bearingPanel_->field());
  prompt_->onBearing = bearingHandler_;
  prompt_->setKeyScope(keyScope_);
  prompt_->onDismiss = [this](double strike) {
    dismissedAsk_ = strike;
    if (!held_) showOnMap();
  };
  bearingPanel_->onDismiss = [this] {
    if (panel_.askFor) prompt_->onDismiss(*panel_.askFor);
  };
}

void StormLayer::setStormRegion(std::optional<GeoRegion> region) {
  region_ = region;
  if (!held_) showOnMap();
}

void StormLayer::showOnMap() {
  if (!map_) return;
  if (showStorm_) map_->setControlWanted(showStorm_, region_.has_value());
  if (!panelWidget_) return;
  // Where the map does not show its control, the panel offers it.
  StormPanel shown = panel_;
  // (on show, or in the menu of the controls the map has no room for)
  const bool control = showStorm_ && (showStorm_->isVisibleTo(map_) || isLeftOutForRoom(showStorm_));
  shown.showStorm = panel_.showStorm || (region_ && !control);
  panelWidget_->setShowStormOnMap(control);
  // The question goes at the foot of the map, until it is answered or let go.
  const bool asking = shown.askFor && shown.askFor != dismissedAsk_;
  // Made the first time it is asked: nothing of it is built while the window starts.
  if (asking) makeQuestion();
  if (bearingPanel_)
    bearingPanel_->setQuestion(asking ? QString::fromStdString(shown.ask) : QString(),
                               asking ? QString::fromStdString(shown.askHint) : QString());
  if (prompt_) prompt_->ask(asking ? shown.askFor : std::nullopt, shown.askFrom);
  // Spoken once for each strike: the answer needs no pointer, but the question must be heard.
  if (asking && announcedAsk_ != shown.askFor) {
    announcedAsk_ = shown.askFor;
    if (Announcer* announcer = Announcer::of(map_->window(), "bearing"))
      announcer->announce(QString::fromStdString(shown.ask + " " + shown.askHint));
  }
  shown.ask.clear();
  shown.askHint.clear();
  shown.askFor.reset();
  shown.askFrom.reset();
  panelWidget_->setPanel(shown);
  map_->placePositionControls();
}

void StormLayer::setCirclePast(bool past) {
  if (map_) map_->model().setCirclesPast(past);
}

bool StormLayer::circlePast() const { return map_ && map_->model().circlesPast(); }

void StormLayer::setUndo(std::function<void()> undo) {
  if (panelWidget_) panelWidget_->onUndo = std::move(undo);
}

void StormLayer::setBearingHandler(std::function<void(double, double, BearingSource)> handler) {
  bearingHandler_ = std::move(handler);
  if (prompt_) prompt_->onBearing = bearingHandler_;
}

void StormLayer::setKeyScope(QWidget* screen) {
  keyScope_ = screen;
  if (prompt_) prompt_->setKeyScope(screen);
}

bool StormLayer::askingBearing() const { return prompt_ && prompt_->asking(); }

void StormLayer::setStrikeMarks(std::vector<StrikeMark> marks) {
  if (held_) {
    held_->marks = std::move(marks);
    return;
  }
  if (trackLayer_.setMarks(std::move(marks)) && map_) map_->model().layerChanged();
}

void StormLayer::setStormTrack(std::optional<TrackPicture> track) {
  if (held_) {
    held_->track = std::move(track);
    return;
  }
  if (trackLayer_.setTrack(std::move(track)) && map_) map_->model().layerChanged();
}

bool StormLayer::showStorm() {
  if (!map_ || !region_) return false;
  // Fitted into the part of the map the panels leave free, so that they cover none of it.
  const int top = panelWidget_ && panelWidget_->isVisible() ? panelWidget_->geometry().bottom() + 1 : 0;
  // (the question counts only where it stands on the map, not in the screen's place for it)
  const int bottom = bearingPanel_ && bearingPanel_->isVisible() && bearingPanel_->parentWidget() == map_
                         ? map_->height() - bearingPanel_->y()
                         : 0;
  const int freeHeight = map_->height() - top - bottom;
  MapModel& model = map_->model();
  if (freeHeight < map_->height() / 2) {
    model.setRegion(model.regionThatFits(*region_), true);
    return true;
  }
  geo::Camera camera = geo::cameraFittingRegion(
      *region_, {static_cast<float>(map_->width()), static_cast<float>(freeHeight)}, model.minZoom(), model.maxZoom());
  // The view's middle lies half the difference of the insets above the free part's middle.
  const double worldPixels = geo::kTileSize * std::exp2(camera.zoom);
  const double y = geo::worldY(camera.center.latitude) - (top - bottom) / 2.0 / worldPixels;
  camera.center.latitude = geo::latitudeFromWorldY(std::clamp(y, 0.0, 1.0));
  model.setCamera(camera, true);
  return true;
}

StormLayer::~StormLayer() {
  prompt_.reset();
  // The panels stay with the map; what they call back must not outlive the layer.
  if (panelWidget_) panelWidget_->onShowStorm = nullptr;
  if (bearingPanel_) bearingPanel_->onDismiss = nullptr;
  if (map_) {
    map_->model().removeLayer(&trackLayer_);
    map_->model().removeLayer(this);
  }
}

void StormLayer::setStrikeRings(std::vector<StrikeRing> rings) {
  if (held_) {
    held_->rings = std::move(rings);
    return;
  }
  if (rings == rings_) return;
  // A ring's outline depends only on its centre and radius; those of the rings already drawn are
  // kept, so that a refresh which only fades them computes nothing. Found by key, so that matching
  // costs no more than the rings.
  std::vector<RingEntry> before = std::move(entries_);
  std::multimap<std::tuple<double, double, double>, size_t> drawn;
  for (size_t i = 0; i < before.size(); ++i)
    drawn.emplace(std::tuple(before[i].ring.center.latitude, before[i].ring.center.longitude, before[i].ring.km), i);
  entries_.clear();
  entries_.reserve(rings.size());
  for (const StrikeRing& ring : rings) {
    if (!(ring.km > 0) || !std::isfinite(ring.km) || !std::isfinite(ring.center.latitude) ||
        !std::isfinite(ring.center.longitude))
      continue;
    RingEntry entry{ring, {}, {}};
    if (const auto same = drawn.find(std::tuple(ring.center.latitude, ring.center.longitude, ring.km));
        same != drawn.end()) {
      entry.points = std::move(before[same->second].points);
      entry.bounds = before[same->second].bounds;
      drawn.erase(same);
    } else {
      entry.points = ringOutline(ring.center, ring.km * 1000);
      entry.bounds = QPolygonF(QList<QPointF>(entry.points.begin(), entry.points.end())).boundingRect();
    }
    entries_.push_back(std::move(entry));
  }
  rings_ = std::move(rings);
  if (map_) map_->model().layerChanged();
}

void StormLayer::setStormPanel(const StormPanel& panel) {
  if (held_) {
    held_->panel = panel;
    return;
  }
  if (panel == panel_) return;
  // The call to take shelter and the all-clear are spoken the moment they come.
  if (Announcer* announcer = Announcer::of(map_ ? map_->window() : nullptr, "shelter")) {
    if (!panel.shelter.empty() && panel_.shelter.empty())
      announcer->announce(QString::fromStdString(panel.shelter + ". " + panel.countdownSpoken));
    else if (!panel.clear.empty() && panel_.clear.empty())
      announcer->announce(QString::fromStdString(panel.clear));
  }
  panel_ = panel;
  showOnMap();
}

void StormLayer::hold(bool held) {
  if (held == held_.has_value()) return;
  if (held) {
    held_ = Held{rings_, panel_, trackLayer_.marks(), trackLayer_.track()};
    return;
  }
  Held latest = std::move(*held_);
  held_.reset();
  setStormRegion(region_);
  setStrikeRings(std::move(latest.rings));
  setStrikeMarks(std::move(latest.marks));
  setStormTrack(std::move(latest.track));
  setStormPanel(latest.panel);
}

QRectF StormLayer::extent(const MapLayerFrame& frame) const {
  QRectF extent;
  const double s = frame.scale;
  for (const RingEntry& entry : entries_) {
    const double shift = shiftOf(entry.ring, frame);
    extent |= QRectF(entry.bounds.topLeft() * s - QPointF(shift * s, 0), entry.bounds.size() * s)
                  .adjusted(-kRingReach, -kRingReach, kRingReach, kRingReach);
  }
  return extent;
}

void StormLayer::paint(QPainter& painter, const MapLayerFrame& frame, QPointF origin) const {
  const double s = frame.scale;
  // The oldest first, so that the newest lie on top. Each is one device pixel wide between two
  // light ones a pixel inside and outside it: lines that thin take the painter's quick way, which a
  // thicker antialiased stroke of a large circle does not.
  for (size_t i = entries_.size(); i-- > 0;) {
    const RingEntry& ring = entries_[i];
    const double shift = shiftOf(ring.ring, frame);
    auto place = [&](const QPointF& p) { return QPointF((p.x() - shift) * s - origin.x(), p.y() * s - origin.y()); };
    const QPointF middle = place(ring.bounds.center());
    const double radius = std::max(1.0, ring.bounds.width() * s / 2);
    auto polygon = [&](double grow) {
      const double k = (radius + grow) / radius;
      QPolygonF out;
      out.reserve(static_cast<qsizetype>(ring.points.size() + 1));
      for (const QPointF& p : ring.points) out << middle + (place(p) - middle) * k;
      if (!out.isEmpty()) out << out.front();
      return out;
    };
    const double opacity = std::clamp(ring.ring.opacity, 0.0, 1.0);
    QColor halo = kRingHalo, ink = kRingInk;
    halo.setAlphaF(static_cast<float>(opacity * kRingHaloShare));
    ink.setAlphaF(static_cast<float>(opacity));
    QPen pen(halo, 1);
    pen.setCosmetic(true);
    painter.setPen(pen);
    painter.drawPolyline(polygon(-1));
    painter.drawPolyline(polygon(1));
    pen.setColor(ink);
    painter.setPen(pen);
    painter.drawPolyline(polygon(0));
  }
}

}  // namespace storm::qt
