// The map widget's part in knowing where the user is: "I am here" from the context menu or a long
// press, the control that centres the map on the user, and the notice while no position is known.

#include <QAction>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QLocale>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "map/qt/MapControlButton.h"
#include "map/qt/MapWidget.h"
#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {
constexpr int kLongPressMilliseconds = 600;

// A crosshair: the usual sign for "where I am".
void drawCrosshair(QPainter& p, QPointF c, QColor ink) {
  p.setPen(QPen(ink, 2));
  p.setBrush(Qt::NoBrush);
  p.drawEllipse(c, 6, 6);
  for (const QPointF& d : {QPointF(0, 1), QPointF(0, -1), QPointF(1, 0), QPointF(-1, 0)})
    p.drawLine(c + d * 4, c + d * 10);
  p.setPen(Qt::NoPen);
  p.setBrush(ink);
  p.drawEllipse(c, 2, 2);
}

}  // namespace

QRect MapWidget::noticeRoom(const QWidget& map, bool besideControls) {
  const int left = kMargin + static_cast<int>(std::min(110.0, map.width() / 3.0)) + 16;
  const int right = besideControls ? kControlSize + kMargin + kNoticeMargin : kNoticeMargin;
  return map.rect().adjusted(left, kNoticeMargin, -right, -kNoticeMargin);
}

void MapWidget::makePositionControls() {
  longPress_ = new QTimer(this);
  longPress_->setSingleShot(true);
  longPress_->setInterval(kLongPressMilliseconds);
  connect(longPress_, &QTimer::timeout, this, [this] {
    // Held still: the press was not the start of a drag.
    dragFrom_.reset();
    offerPosition(pressedAt_);
  });
  centre_ = new MapControlButton(this, drawCrosshair);
  centre_->setObjectName("centreOnUser");
  centre_->setFixedSize(kControlSize, kControlSize);
  centre_->setToolTip(tr("Centre the map on your position"));
  centre_->setAccessibleName(tr("Centre the map on your position"));
  // Reached by Tab only: a click must leave the focus where Space times.
  centre_->setFocusPolicy(Qt::TabFocus);
  connect(centre_, &QAbstractButton::clicked, model_, &MapModel::centreOnUser);
  controls_.push_back(centre_);
  makeControlMenu();
  updatePositionControls();
}

void MapWidget::updatePositionControls() {
  if (centre_) centre_->setProperty(kWanted, model_->userLocation().has_value());
  // The position's age moves on, or the location service's problem changed: new words to draw.
  if (QString notice = noticeText(); notice != shownNotice_) {
    shownNotice_ = std::move(notice);
    update();
  }
  placePositionControls();
  describeForAccessibility();
}

void MapWidget::contextMenuEvent(QContextMenuEvent* event) {
  longPress_->stop();
  offerPosition(event->pos());
}

void MapWidget::offerPosition(QPoint at) {
  const GeoPoint place = model_->coordinateForPoint(at);
  QMenu menu(this);
  QAction* here = menu.addAction(tr("I am here"));
  QAction* typed = menu.addAction(tr("Type a position\u2026"));
  typed->setShortcut(QKeySequence(Qt::ControlModifier | Qt::Key_L));
  typed->setShortcutVisibleInContextMenu(true);
  QAction* chosen = menu.exec(mapToGlobal(at));
  if (chosen == here) setPositionByHand(place);
  if (chosen == typed) askForPosition();
}

void MapWidget::setPositionByHand(GeoPoint place) {
  model_->setUserLocationByHand(place);
  // Close enough to see the streets around the place set, and to check it.
  constexpr double kAcrossMetres = 1000;
  model_->setRegion(regionWithDistance(place, kAcrossMetres, kAcrossMetres), true);
}

QString MapWidget::noticeText() const {
  // How far to trust the position a stop measures from, then what keeps the location service from
  // giving one and how to mend it.
  QStringList lines;
  const PositionState::Standing standing = model_->positionStanding();
  const std::optional<PositionReport> report = model_->position().report();
  if (model_->positionSourceNamed() && report && report->source == PositionSource::Gpsd)
    lines << tr("Position from gpsd");
  else if (model_->positionSourceNamed() && report && report->source == PositionSource::System)
    lines << tr("Position from the location service");
  switch (standing) {
    case PositionState::Standing::Unknown:
    case PositionState::Standing::Current: break;
    case PositionState::Standing::Approximate:
      lines << (model_->userLocationAccuracy() > 0
                    ? tr("Approximate position, \u00b1%1").arg(distanceWords(model_->userLocationAccuracy()))
                    : tr("Approximate position, accuracy unknown"));
      break;
    case PositionState::Standing::Old: lines << ageWords(model_->positionAge().value_or(0)); break;
    case PositionState::Standing::Kept: lines << tr("Last known position, from an earlier run."); break;
    case PositionState::Standing::SetByUser: lines << tr("Set by you"); break;
  }
  switch (model_->position().problem()) {
    case PositionProblem::None: break;
    case PositionProblem::NoService:
      lines << tr("No location service is available. Right-click or hold the map: \u201cI am here\u201d.");
      break;
    case PositionProblem::Off:
      lines << tr(
          "Location services are off. Switch them on in the desktop\u2019s privacy settings, or "
          "right-click or hold the map: \u201cI am here\u201d.");
      break;
    case PositionProblem::Refused:
      lines << tr(
          "The location service refuses this app. Allow it in the desktop\u2019s privacy settings, or "
          "right-click or hold the map: \u201cI am here\u201d.");
      break;
    case PositionProblem::NoFix:
      lines << tr(
          "No fix from the location service for some minutes. Go where the sky is open, or right-click "
          "or hold the map: \u201cI am here\u201d.");
      break;
    case PositionProblem::Lost:
      lines << tr(
          "The GPS receiver has no fix. Go where the sky is open, or right-click or hold the map: "
          "\u201cI am here\u201d.");
      break;
    case PositionProblem::Ended: lines << tr("The NMEA log has ended."); break;
    case PositionProblem::NoGpsd:
      lines << tr("gpsd does not answer. Right-click or hold the map: \u201cI am here\u201d.");
      break;
  }
  if (standing == PositionState::Standing::Unknown) {
    if (lines.isEmpty()) return tr("Position unknown. Right-click or hold the map: \u201cI am here\u201d.");
    lines.prepend(tr("Position unknown."));
  }
  return lines.join('\n');
}

QString MapWidget::ageWords(double seconds) {
  const QLocale locale;
  const double minutes = std::floor(seconds / 60);
  if (minutes < 1) return tr("Last known position, less than a minute ago");
  if (minutes < 60) return tr("Last known position, %1 min ago").arg(locale.toString(minutes, 'f', 0));
  const double hours = std::floor(minutes / 60);
  if (hours < 48) return tr("Last known position, %1 h ago").arg(locale.toString(hours, 'f', 0));
  return tr("Last known position, %1 d ago").arg(locale.toString(std::floor(hours / 24), 'f', 0));
}

QString MapWidget::distanceWords(double metres) {
  // Miles where the locale measures in them; one decimal below ten.
  const QLocale locale;
  const bool miles = locale.measurementSystem() == QLocale::ImperialUSSystem ||
                     locale.measurementSystem() == QLocale::ImperialUKSystem;
  const double amount = miles ? metres / 1609.344 : metres / 1000;
  const QString number = locale.toString(amount, 'f', amount < 9.95 ? 1 : 0);
  return miles ? tr("%1 mi").arg(number) : tr("%1 km").arg(number);
}

int MapWidget::topDecorationsBottom() const {
  int bottom = 0;
  for (const QAbstractButton* control : controls_)
    if (control && !control->isHidden()) bottom = std::max(bottom, control->geometry().bottom() + 1);
  if (topPanel_ && !topPanel_->isHidden()) bottom = std::max(bottom, topPanel_->geometry().bottom() + 1);
  const QString notice = noticeText();
  if (!notice.isEmpty()) {
    QFont font = this->font();
    setTextPixels(font, kNoticePixels);
    const QRect room = noticeRoom(*this, centre_ && !centre_->isHidden());
    // Asked at every frame while the tile note shows: the notice's words are laid out once.
    if (noticeHeight_.text != notice || noticeHeight_.width != room.width())
      noticeHeight_ = {notice, room.width(), MapDecorations::noticeHeight(notice, room.width(), font)};
    bottom = std::max(bottom, room.top() + noticeHeight_.height);
  }
  return bottom;
}

void MapWidget::drawNotice(QPainter& painter, double dpr) {
  QFont font = this->font();
  setTextPixels(font, kNoticePixels);
  decorations_.drawNotice(painter, noticeText(), noticeRoom(*this, centre_ && !centre_->isHidden()), font, dpr);
}

}  // namespace storm::qt
