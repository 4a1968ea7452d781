#include "map/qt/MapWidget.h"

#include "map/qt/MapControlButton.h"

#include <QApplication>
#include <QFocusEvent>
#include <QGestureEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QNativeGestureEvent>
#include <QPainter>
#include <QPinchGesture>
#include <QToolTip>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "map/qt/MapControlButton.h"
#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

constexpr double kWheelNotchZoom = 0.5;
constexpr double kKeyPanPixels = 64;
constexpr int kTileNotePixels = 12;
constexpr double kTileNoteGap = 6;  // between the note and the credit, or the map's foot

}  // namespace

MapWidget::MapWidget(QWidget* parent) : QWidget(parent), model_(new MapModel(this)) {
  setFocusPolicy(Qt::StrongFocus);
  setMinimumSize(64, 64);
  setAttribute(Qt::WA_OpaquePaintEvent);
  grabGesture(Qt::PinchGesture);
  model_->setViewport({[this] { return size(); }, [this] { return isVisible(); }});
  connect(model_, &MapModel::changed, this, [this] {
    applyNight();
    update();
  });
  connect(model_, &MapModel::tileReady, this, [this](const TileKey& key) { tiles_.forget(key); });
  connect(model_, &MapModel::userLocationChanged, this, &MapWidget::updatePositionControls);
  connect(model_, &MapModel::mapTypeChanged, this, &MapWidget::describeForAccessibility);
  connect(model_, &MapModel::circlesChanged, this, &MapWidget::describeForAccessibility);
  makePositionControls();
}

void MapWidget::applyNight() {
  const bool night = model_->night();
  tiles_.setNight(night);
  decorations_.setNight(night);
  for (QAbstractButton* control : controls_)
    if (auto* button = dynamic_cast<MapControlButton*>(control)) button->setNight(night);
  if (auto* button = dynamic_cast<MapControlButton*>(more_)) button->setNight(night);
}

// The model goes with the widget's other children, after the painters it reports to.
MapWidget::~MapWidget() { model_->disconnect(this); }

QString MapWidget::tileNoteText() const {
  switch (model_->tileNote()) {
    case MapModel::TileNote::AllOffline: return tr("Map offline: no tiles could be loaded");
    case MapModel::TileNote::SomeOffline: return tr("Map offline: some tiles could not be loaded");
    case MapModel::TileNote::Loading: return tr("Loading map\u2026");
    case MapModel::TileNote::None: break;
  }
  return {};
}

QString MapWidget::tileNoteShortText() const {
  // Where there is room for one short line only.
  const MapModel::TileNote note = model_->tileNote();
  return note == MapModel::TileNote::AllOffline || note == MapModel::TileNote::SomeOffline ? tr("Map offline")
                                                                                           : tileNoteText();
}

void MapWidget::resizeEvent(QResizeEvent*) {
  model_->viewResized();
  placePositionControls();
}

void MapWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const double dpr = painter.device()->devicePixelRatioF();
  model_->styleCircles();
  frame_.paint(painter, *model_, dpr, [this, dpr](QPainter& p, const QRect& area) {
    tiles_.paint(p, *model_, dpr, area);
    p.setRenderHint(QPainter::Antialiasing);
    overlays_.paint(p, *model_, dpr, area);
  });
  painter.setRenderHint(QPainter::Antialiasing);
  drawUserLocation(painter, dpr);
  drawScaleBar(painter, dpr);
  drawAttribution(painter, dpr);
  drawNotice(painter, dpr);
  if (keyboardFocus_) drawFocusRing(painter);
}

void MapWidget::drawFocusRing(QPainter& painter) {
  // A yellow ring that shows on the dark page around the map and a dark one inside it that shows
  // on the map's light streets and bright imagery alike.
  painter.setRenderHint(QPainter::Antialiasing, false);
  painter.setBrush(Qt::NoBrush);
  painter.setPen(QPen(QColor(0xfc, 0xd3, 0x4d), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawRect(QRectF(rect()).adjusted(1, 1, -1, -1));
  painter.setPen(QPen(QColor(0x1f, 0x29, 0x33), 2, Qt::SolidLine, Qt::SquareCap, Qt::MiterJoin));
  painter.drawRect(QRectF(rect()).adjusted(3, 3, -3, -3));
}

void MapWidget::focusInEvent(QFocusEvent* event) {
  keyboardFocus_ = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
  QWidget::focusInEvent(event);  // paints again
}

void MapWidget::focusOutEvent(QFocusEvent* event) {
  keyboardFocus_ = false;
  QWidget::focusOutEvent(event);
}

// ---- what is drawn over the tiles and circles ----

void MapWidget::drawUserLocation(QPainter& painter, double dpr) {
  const std::optional<GeoPoint> user = model_->userLocation();
  if (!user) return;
  std::optional<double> destination;
  if (model_->animating()) destination = geo::metersPerPixel(user->latitude, model_->destination().zoom);
  const PositionState::Standing standing = model_->positionStanding();
  const bool current = standing != PositionState::Standing::Old && standing != PositionState::Standing::Kept;
  decorations_.drawUserLocation(painter, model_->pointForCoordinate(*user), model_->userLocationAccuracy(),
                                geo::metersPerPixel(user->latitude, model_->camera().zoom), size(), dpr, current,
                                destination);
}

void MapWidget::drawScaleBar(QPainter& painter, double dpr) {
  if (panelOnTop_) return;  // the top panel covers its corner
  const geo::Camera camera = model_->camera();
  decorations_.drawScaleBar(painter, geo::metersPerPixel(camera.center.latitude, camera.zoom),
                            std::min(110.0, width() / 3.0), font(), dpr);
}

void MapWidget::drawAttribution(QPainter& painter, double dpr) {
  const QString credit = model_->attribution();
  const double creditWidth = width() - 12.0;
  const QString tileNote = tileNoteText();
  if (tileNote.isEmpty()) {
    creditRect_ = decorations_.drawAttribution(painter, credit, size(), creditWidth, font(), dpr).toAlignedRect();
    return;
  }
  // The tile note stands in the middle above the credit, where no control or panel goes. When
  // the map is too short for that, it shares the credit's line, on one line at the left.
  QFont font = this->font();
  setTextPixels(font, kTileNotePixels);
  const double creditTop = credit.isEmpty() ? height() : height() - 3 - MapDecorations::attributionHeight(this->font());
  const QImage& wrapped = decorations_.mapNote(tileNote, width() - 24.0, false, font, dpr);
  const QSizeF size = wrapped.deviceIndependentSize();
  const double top = std::round(creditTop - kTileNoteGap - size.height());
  if (top >= topDecorationsBottom() + kTileNoteGap) {
    creditRect_ =
        decorations_.drawAttribution(painter, credit, this->size(), creditWidth, this->font(), dpr).toAlignedRect();
    painter.drawImage(QPointF(std::round((width() - size.width()) / 2), top), wrapped);
    return;
  }
  const QImage& line = decorations_.mapNote(tileNoteShortText(), std::round(width() * 0.55), true, font, dpr);
  const QSizeF lineSize = line.deviceIndependentSize();
  painter.drawImage(QPointF(3, height() - 3 - lineSize.height()), line);
  creditRect_ =
      decorations_.drawAttribution(painter, credit, this->size(), width() - lineSize.width() - 18, this->font(), dpr)
          .toAlignedRect();
}

// ---- input ----

bool MapWidget::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    // Over the credit, the whole of it: the map may show it cut short.
    auto* help = static_cast<QHelpEvent*>(event);
    if (creditRect_.contains(help->pos())) {
      QToolTip::showText(help->globalPos(), model_->attribution(), this, creditRect_);
      return true;
    }
  }
  if (event->type() == QEvent::NativeGesture) {  // touchpad pinch
    auto* gesture = static_cast<QNativeGestureEvent*>(event);
    if (gesture->gestureType() == Qt::ZoomNativeGesture) {
      model_->zoomAround(gesture->position(), std::log2(1 + gesture->value()));
      return true;
    }
  } else if (event->type() == QEvent::Gesture) {  // touch-screen pinch
    auto* gestures = static_cast<QGestureEvent*>(event);
    if (auto* pinch = static_cast<QPinchGesture*>(gestures->gesture(Qt::PinchGesture))) {
      if (pinch->changeFlags() & QPinchGesture::ScaleFactorChanged && pinch->scaleFactor() > 0)
        model_->zoomAround(mapFromGlobal(pinch->centerPoint()), std::log2(pinch->scaleFactor()));
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
  model_->panBy(delta);
}

void MapWidget::mouseReleaseEvent(QMouseEvent*) {
  longPress_->stop();
  if (dragFrom_) model_->panEnded();
  dragFrom_.reset();
}

void MapWidget::mouseDoubleClickEvent(QMouseEvent* event) { model_->zoomAround(event->position(), 1); }

void MapWidget::wheelEvent(QWheelEvent* event) {
  model_->zoomAround(event->position(), event->angleDelta().y() / 120.0 * kWheelNotchZoom);
}

void MapWidget::keyPressEvent(QKeyEvent* event) {
  const QPointF middle(width() / 2.0, height() / 2.0);
  switch (event->key()) {
    case Qt::Key_Plus:
    case Qt::Key_Equal: model_->zoomAround(middle, 1); break;
    case Qt::Key_Minus: model_->zoomAround(middle, -1); break;
    case Qt::Key_Left: model_->panBy({kKeyPanPixels, 0}); break;
    case Qt::Key_Right: model_->panBy({-kKeyPanPixels, 0}); break;
    case Qt::Key_Up: model_->panBy({0, kKeyPanPixels}); break;
    case Qt::Key_Down: model_->panBy({0, -kKeyPanPixels}); break;
    default: QWidget::keyPressEvent(event); return;
  }
}

}  // namespace storm::qt
