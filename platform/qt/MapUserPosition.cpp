// The map widget's part in knowing where the user is: "I am here" from the context menu or a long
// press, the control that centres the map on the user, and the notice while no position is known.

#include <QAction>
#include <QContextMenuEvent>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "platform/qt/MapWidget.h"

namespace storm::qt {

namespace {
constexpr int kLongPressMilliseconds = 600;
constexpr int kMargin = 8;
constexpr int kNoticeMargin = 4;
constexpr int kControlSize = 34;
// Centring on the user zooms in at least this far: some 40 km across a phone-sized map.
constexpr double kCentreLeastZoom = 10;

// A crosshair: the usual sign for "where I am".
QIcon crosshairIcon() {
  QPixmap pixmap(48, 48);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(QColor(0x1f, 0x29, 0x33), 4));
  p.drawEllipse(QPointF(24, 24), 13, 13);
  p.drawLine(QPointF(24, 3), QPointF(24, 14));
  p.drawLine(QPointF(24, 34), QPointF(24, 45));
  p.drawLine(QPointF(3, 24), QPointF(14, 24));
  p.drawLine(QPointF(34, 24), QPointF(45, 24));
  p.setBrush(QColor(0x1f, 0x29, 0x33));
  p.drawEllipse(QPointF(24, 24), 4, 4);
  return QIcon(pixmap);
}
}  // namespace

void MapWidget::makePositionControls() {
  longPress_ = new QTimer(this);
  longPress_->setSingleShot(true);
  longPress_->setInterval(kLongPressMilliseconds);
  connect(longPress_, &QTimer::timeout, this, [this] {
    // Held still: the press was not the start of a drag.
    dragFrom_.reset();
    offerPosition(pressedAt_);
  });
  centre_ = new QToolButton(this);
  centre_->setObjectName("centreOnUser");
  centre_->setIcon(crosshairIcon());
  centre_->setIconSize(QSize(22, 22));
  centre_->setFixedSize(kControlSize, kControlSize);
  centre_->setToolTip(tr("Centre the map on your position"));
  centre_->setAccessibleName(tr("Centre the map on your position"));
  centre_->setFocusPolicy(Qt::NoFocus);
  centre_->setStyleSheet(
      "QToolButton { background: rgba(255,255,255,230); border: 1px solid #9aa5b1; border-radius: 6px; }"
      "QToolButton:pressed { background: #d9e2ec; }");
  connect(centre_, &QToolButton::clicked, this, &MapWidget::centreOnUser);
  updatePositionControls();
}

void MapWidget::placePositionControls() {
  if (centre_) centre_->move(width() - kControlSize - kMargin, kMargin);
}

void MapWidget::updatePositionControls() {
  if (centre_) centre_->setVisible(userLocation().has_value());
}

void MapWidget::setUserLocationByHand(CLLocationCoordinate2D place) {
  userLocation_.reset();
  accuracy_ = 0;
  placeSet_ = place;
  updatePositionControls();
  update();
  emit userLocationHeard(place.latitude, place.longitude, true);
}

void MapWidget::restoreUserLocation(CLLocationCoordinate2D place) {
  if (userLocation_) return;
  placeSet_ = place;
  updatePositionControls();
  update();
}

void MapWidget::showAround(CLLocationCoordinate2D place, double metres) {
  setRegion(MKCoordinateRegionMakeWithDistance(place, metres, metres), false);
  openingView_ = {place, metres};
}

void MapWidget::centreOnUser() {
  const std::optional<CLLocationCoordinate2D> user = userLocation();
  if (!user) return;
  setCamera({*user, std::max(camera_.zoom, std::min(kCentreLeastZoom, maxZoom()))}, true);
  emit regionChanged();
}

CLLocationCoordinate2D MapWidget::coordinateForPoint(QPointF point) const {
  const double s = scale();
  const double x = geo::worldX(camera_.center.longitude) + (point.x() - width() / 2.0) / s;
  const double y = std::clamp(geo::worldY(camera_.center.latitude) + (point.y() - height() / 2.0) / s, 0.0, 1.0);
  double longitude = std::fmod(geo::longitudeFromWorldX(x) + 180.0, 360.0);
  if (longitude < 0) longitude += 360.0;
  return {geo::latitudeFromWorldY(y), longitude - 180.0};
}

void MapWidget::contextMenuEvent(QContextMenuEvent* event) {
  longPress_->stop();
  offerPosition(event->pos());
}

void MapWidget::offerPosition(QPoint at) {
  const CLLocationCoordinate2D place = coordinateForPoint(at);
  QMenu menu(this);
  QAction* here = menu.addAction(tr("I am here"));
  if (menu.exec(mapToGlobal(at)) == here) setUserLocationByHand(place);
}

QString MapWidget::noticeText() const {
  if (userLocation()) return {};
  return tr("Position unknown. Right-click or hold the map: \u201cI am here\u201d.");
}

void MapWidget::drawNotice(QPainter& painter) {
  QFont font = this->font();
  font.setPixelSize(11);
  // Right of the scale bar, which keeps the top left corner; clear of most of the map.
  const int left = kMargin + static_cast<int>(std::min(110.0, width() / 3.0)) + 16;
  decorations_.drawNotice(painter, noticeText(), rect().adjusted(left, kNoticeMargin, -kNoticeMargin, -kNoticeMargin),
                          font, paintDpr_);
}

}  // namespace storm::qt
