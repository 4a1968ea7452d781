// The map widget's panels and controls: the features' panel at the top of the map, which keeps left
// of the column of controls and from hiding much of a storm circle; the panel at its foot, or in
// the place the screen keeps for it off the map; and the column of controls at the top right, with
// a menu for those it has no room for.

#include <QEvent>
#include <QFontMetrics>
#include <QMenu>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "map/qt/MapControlButton.h"
#include "map/qt/MapWidget.h"
#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

// The top panel sits beside the scale bar, left of the controls, when it has this much room there,
// else below them; it is never wider than this.
constexpr int kPanelLeastRoom = 300;
constexpr int kPanelMostWidth = 460;
constexpr int kPanelGap = 6;
// The most of a storm circle fitted to the map (centred, as wide as the map's narrower side) that
// the top panel may cover.
constexpr double kTopPanelShare = 0.22;

// How far down from `room`'s top a panel as wide as `room` may reach before it covers more than
// `share` of a storm circle fitted to a map of `size`.
int heightCovering(QSize size, const QRect& room, double share) {
  const double r = std::min(size.width(), size.height()) / 2.0;
  const double cx = size.width() / 2.0, cy = size.height() / 2.0;
  const double most = share * M_PI * r * r;
  double covered = 0;
  int y = room.top();
  for (; y <= room.bottom(); ++y) {
    const double dy = y + 0.5 - cy;
    if (std::abs(dy) < r) {
      const double half = std::sqrt(r * r - dy * dy);
      covered += std::max(0.0, std::min(room.right() + 1.0, cx + half) - std::max<double>(room.left(), cx - half));
    }
    if (covered > most) break;
  }
  return y - room.top();
}

}  // namespace

void MapWidget::makeControlMenu() {
  // Where the column is too short for every control, the last place holds this one, which offers
  // the others in a menu.
  more_ = new MapControlButton(this, [](QPainter& p, QPointF c, QColor ink) {
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    for (double dx : {-6.0, 0.0, 6.0}) p.drawEllipse(c + QPointF(dx, 0), 2, 2);
  });
  more_->setObjectName("moreMapControls");
  more_->setFixedSize(kControlSize, kControlSize);
  more_->setToolTip(tr("More map controls"));
  more_->setAccessibleName(tr("More map controls"));
  more_->setFocusPolicy(Qt::TabFocus);
  more_->hide();
  connect(more_, &QAbstractButton::clicked, this, &MapWidget::offerFoldedControls);
}

void MapWidget::offerFoldedControls() {
  QMenu menu(this);
  for (QAbstractButton* control : controls_) {
    if (!control || !isLeftOutForRoom(control)) continue;
    connect(menu.addAction(control->accessibleName()), &QAction::triggered, control, [this, control] {
      // Where the control would stand: what it opens opens by the menu.
      control->move(more_->pos());
      control->click();
    });
  }
  menu.exec(more_->mapToGlobal(QPoint(0, more_->height())));
}

void MapWidget::placePositionControls() {
  placeTopPanel();
  placeBottomPanel();
  // A column at the top right: the re-centre control, then the features' controls that are wanted;
  // the top panel keeps left of it. Those the map is too short for go into the menu of the last.
  std::vector<QAbstractButton*> wanted;
  for (QAbstractButton* control : controls_) {
    if (!control) continue;
    if (control->property(kWanted).toBool())
      wanted.push_back(control);
    else
      control->hide();
    markLeftOutForRoom(control, false);
  }
  const int step = kControlSize + kMargin / 2;
  const size_t room = static_cast<size_t>(std::max(0, (height() - kMargin - kControlSize) / step + 1));
  const bool folding = wanted.size() > room;
  const size_t shown = folding ? std::max<size_t>(room, 1) - 1 : wanted.size();
  int y = kMargin;
  for (size_t i = 0; i < wanted.size(); ++i) {
    wanted[i]->setVisible(i < shown);
    markLeftOutForRoom(wanted[i], i >= shown);
    if (i >= shown) continue;
    wanted[i]->move(width() - kControlSize - kMargin, y);
    y += step;
  }
  if (more_) {
    more_->setVisible(folding && room > 0);
    more_->move(width() - kControlSize - kMargin, y);
  }
}

void MapWidget::addControl(QAbstractButton* control) {
  if (!control) return;
  control->setParent(this);
  control->setFixedSize(kControlSize, kControlSize);
  control->hide();
  control->setFocusPolicy(Qt::TabFocus);
  controls_.push_back(control);
  applyNight();
  chainTabStops();
  placePositionControls();
}

void MapWidget::chainTabStops() {
  QWidget* previous = centre_;
  auto follow = [&previous](QWidget* stop) {
    if (previous && stop && previous->window() == stop->window()) QWidget::setTabOrder(previous, stop);
    previous = stop;
  };
  for (QAbstractButton* control : controls_)
    if (control && control != centre_) follow(control);
  follow(more_);
  if (topPanel_)
    for (QAbstractButton* button : topPanel_->findChildren<QAbstractButton*>()) follow(button);
  if (bottomPanel_)
    for (QWidget* stop : bottomPanel_->findChildren<QWidget*>())
      if (stop->focusPolicy() & Qt::TabFocus) follow(stop);
}

void MapWidget::setBottomPanel(MapPanel* panel) {
  bottomPanel_ = panel;
  if (panel) panel->setParent(this);
  chainTabStops();
  placePositionControls();
}

void MapWidget::setPanelDock(QWidget* dock, std::function<QSize(bool shown)> room) {
  dock_ = dock;
  dockRoom_ = std::move(room);
  // The screen lays out the map before the controls: the panel is placed again once they have
  // their new size.
  if (dock && dock->parentWidget()) dock->parentWidget()->installEventFilter(this);
  placePositionControls();
}

void MapWidget::placeBottomPanel() {
  if (!bottomPanel_) return;
  if (dock_ && dockRoom_) {
    dockBottomPanel();
    return;
  }
  if (bottomPanel_->isEmpty()) {
    bottomPanel_->hide();
    return;
  }
  // Above the credit line (or the tile note) at the foot, and below whatever the top shows.
  const int foot = kMargin + std::max(creditRect_.height(), QFontMetrics(font()).height()) + kPanelGap;
  const int top = (topPanel_ && !topPanel_->isHidden() ? topPanel_->geometry().bottom() + 1 : kMargin) + kPanelGap;
  const int room = height() - foot - top;
  bottomPanel_->fitInto(std::min(width() - 2 * kMargin, kPanelMostWidth), std::max(0, room), std::max(0, room));
  const bool fits = bottomPanel_->height() <= room && bottomPanel_->width() <= width() - 2 * kMargin;
  markLeftOutForRoom(bottomPanel_, !fits);
  if (!fits) {
    bottomPanel_->hide();
    return;
  }
  // Placed again with every change of the top panel (each second of a countdown): only what moved
  // is touched, so that the map under it is not drawn again for nothing.
  const QPoint at((width() - bottomPanel_->width()) / 2, height() - foot - bottomPanel_->height());
  if (bottomPanel_->pos() != at) bottomPanel_->move(at);
  if (bottomPanel_->isHidden()) {
    bottomPanel_->show();
    bottomPanel_->raise();
  }
}

bool MapWidget::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && dock_ && watched == dock_->parentWidget()) placeBottomPanel();
  return QWidget::eventFilter(watched, event);
}

void MapWidget::dockBottomPanel() {
  // Off the map, where the screen keeps room for it: it covers neither the circle nor the person.
  if (bottomPanel_->parentWidget() != dock_) bottomPanel_->setParent(dock_);
  const bool shown = !bottomPanel_->isEmpty();
  const QSize room = dockRoom_(shown);
  if (!shown) {
    bottomPanel_->hide();
    dock_->hide();
    return;
  }
  bottomPanel_->fitInto(room.width(), room.height(), room.height());
  const QPoint at((room.width() - bottomPanel_->width()) / 2, 0);
  if (bottomPanel_->pos() != at) bottomPanel_->move(at);
  if (dock_->height() != bottomPanel_->height() || dock_->isHidden()) {
    dock_->setFixedHeight(bottomPanel_->height());
    dock_->show();
  }
  bottomPanel_->show();
}

void MapWidget::setControlWanted(QAbstractButton* control, bool wanted) {
  if (!control) return;
  control->setProperty(kWanted, wanted);
  placePositionControls();
}

void MapWidget::setTopPanel(MapPanel* panel) {
  topPanel_ = panel;
  if (panel) panel->setParent(this);
  chainTabStops();
  placePositionControls();
}

void MapWidget::placeTopPanel() {
  // An empty panel is hidden and has nowhere to be; measuring the notice for it would also reach
  // the font configuration while it is still being read at start-up.
  if (!topPanel_) return;
  if (topPanel_->isEmpty()) {
    topPanel_->hide();
    if (panelOnTop_) {
      panelOnTop_ = false;
      update();
    }
    return;
  }
  // Left of the column of controls: beside the scale bar where the notice leaves that free and
  // it is wide enough, else under the scale bar and the notice. It reaches down only as far as it
  // may without hiding much of a storm circle; below that it shows its lines shorter.
  const QString notice = noticeText();
  const int right = width() - kControlSize - kMargin - kPanelGap;
  const int bandLeft = noticeRoom(*this, true).left();
  QRect room;
  if (notice.isEmpty() && right - bandLeft >= kPanelLeastRoom) {
    room = QRect(bandLeft, kMargin, right - bandLeft, height() - 2 * kMargin);
  } else {
    QFont font = this->font();
    setTextPixels(font, kNoticePixels);
    const int below = notice.isEmpty()
                          ? 0
                          : kNoticeMargin + MapDecorations::noticeHeight(notice, noticeRoom(*this, true).width(), font);
    const int top = std::max(kMargin + kControlSize, below) + kPanelGap;
    room = QRect(kMargin, top, right - kMargin, height() - kMargin - top);
  }
  const int most = std::min(room.height(), heightCovering(size(), room, kTopPanelShare));
  topPanel_->fitInto(std::min(room.width(), kPanelMostWidth), most, room.height());
  // Kept short, it may still reach further down (its buttons stay): only a map too low for it
  // there moves it up.
  const bool overTheTop = topPanel_->height() > room.height();
  if (overTheTop) {
    // A map too small for even the short lines there: what the panel says about the person's
    // safety goes before the scale bar and the notice, at the top.
    room.setTop(kMargin);
    topPanel_->fitInto(std::min(room.width(), kPanelMostWidth), height() - 2 * kMargin, height() - 2 * kMargin);
  }
  topPanel_->move(room.left() + (room.width() - topPanel_->width()) / 2, room.top());
  topPanel_->show();
  topPanel_->raise();
  if (overTheTop != panelOnTop_) {
    panelOnTop_ = overTheTop;
    update();
  }
}

}  // namespace storm::qt
