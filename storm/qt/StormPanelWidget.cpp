#include "storm/qt/StormPanelWidget.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <tuple>

#include "map/qt/MapWidget.h"
#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

constexpr double kPaddingX = 10;
constexpr double kPaddingY = 5;
constexpr double kShortPaddingX = 6;  // in a panel of one line a box
constexpr double kShortestBox = 90;   // beside the buttons, else they go under it
constexpr double kLineGap = 1;
constexpr double kBoxGap = 4;
constexpr double kRadius = 6;
constexpr int kTextFlags = Qt::TextWordWrap | Qt::AlignHCenter;

// White reads at well over 4.5:1 on each ground.
const QColor kShelterGround(0xb9, 0x1c, 0x1c, 240);
const QColor kClearGround(0x16, 0x65, 0x34, 235);
const QColor kTrendGround(31, 41, 51, 215);
const QColor kNoteGround(0x7c, 0x4a, 0x03, 235);
constexpr int kButtonHeight = 30;
const QColor kInk(0xff, 0xff, 0xff);

}  // namespace

StormPanelWidget::StormPanelWidget(QWidget* parent) : MapPanel(parent) {
  setObjectName("stormPanel");
  // Presses on the boxes go on to the map under them (a widget ignores them), so the map still
  // pans there; only the buttons take them.
  setFocusPolicy(Qt::NoFocus);
  for (auto [button, name, text] :
       {std::tuple{&undo_, "undoStrike", QT_TRANSLATE_NOOP("Localizable", "Undo")},
        std::tuple{&showStorm_, "showStorm", QT_TRANSLATE_NOOP("Localizable", "Show the storm")}}) {
    *button = new QPushButton(QCoreApplication::translate("Localizable", text), this);
    (*button)->setObjectName(name);
    (*button)->setCursor(Qt::PointingHandCursor);
    // Reached by Tab only: a click must leave the focus where Space times.
    (*button)->setFocusPolicy(Qt::TabFocus);
    (*button)->setStyleSheet(
        withApplicationFontSizes("QPushButton { color: #ffffff; background: #1f2933; border: 1px solid #9aa5b1;"
                                 " border-radius: 6px; padding: 4px 10px; font-size: 13px; }"
                                 "QPushButton:focus { border: 2px solid #fcd34d; padding: 3px 9px; }"
                                 "QPushButton:pressed { background: #3e4c59; }"));
    (*button)->hide();
  }
  connect(undo_, &QPushButton::clicked, this, [this] {
    if (onUndo) onUndo();
  });
  connect(showStorm_, &QPushButton::clicked, this, [this] {
    if (onShowStorm) onShowStorm();
  });
  hide();
}

std::vector<StormPanelWidget::Box> StormPanelWidget::boxes() const {
  QFont text = font();
  setTextPixels(text, 13);
  QFont strong = text;
  setTextPixels(strong, 15);
  strong.setBold(true);
  auto q = [](const std::string& s) { return QString::fromStdString(s); };
  std::vector<Box> out;
  if (!panel_.shelter.empty() || !panel_.countdown.empty()) {
    Box box{kShelterGround, {}, 0};
    if (!panel_.shelter.empty()) box.lines.push_back({q(panel_.shelter), strong});
    if (!panel_.countdown.empty()) box.lines.push_back({q(panel_.countdown), text});
    out.push_back(std::move(box));
  }
  if (!panel_.clear.empty()) out.push_back({kClearGround, {{q(panel_.clear), text}}, 0});
  if (!panel_.note.empty()) out.push_back({kNoteGround, {{q(panel_.note), text}}, 0});
  if (!panel_.trend.empty() || !panel_.track.empty() || !panel_.age.empty()) {
    Box box{kTrendGround, {}, 0};
    QFont small = text;
    setTextPixels(small, 12);
    if (!panel_.trend.empty()) box.lines.push_back({q(panel_.trend), text});
    if (!panel_.track.empty()) box.lines.push_back({q(panel_.track), text});
    if (!panel_.course.empty()) box.lines.push_back({q(panel_.course), text});
    if (!panel_.age.empty()) box.lines.push_back({q(panel_.age), small});
    out.push_back(std::move(box));
  }
  return out;
}

double StormPanelWidget::layOut(std::vector<Box>& boxes, int maxWidth) const {
  const double most = std::max(40.0, static_cast<double>(maxWidth));
  // As wide as the longest line needs, up to the width given: the boxes share that width.
  double width = 0;
  for (const Box& box : boxes)
    for (const Line& line : box.lines)
      width = std::max(width, std::ceil(QFontMetricsF(line.font).horizontalAdvance(line.text)) + 2 * kPaddingX + 1);
  width = std::min(width, most);
  for (Box& box : boxes) {
    box.width = width;
    box.height = 2 * kPaddingY - kLineGap;
    for (const Line& line : box.lines)
      box.height += std::ceil(QFontMetricsF(line.font)
                                  .boundingRect(QRectF(0, 0, width - 2 * kPaddingX, 1e4), kTextFlags, line.text)
                                  .height()) +
                    kLineGap;
  }
  return width;
}

void StormPanelWidget::setPanel(const StormPanel& panel) {
  if (panel == panel_) return;
  panel_ = panel;
  maxWidth_ = -1;  // laid out afresh at the next fitInto
  picture_ = QImage();
  // Screen readers read the countdown in whole minutes: its name changes once a minute, not with
  // every second on show.
  QStringList lines;
  for (const Box& box : boxes())
    for (const Line& line : box.lines)
      lines << (line.text == QString::fromStdString(panel_.countdown) && !panel_.countdownSpoken.empty()
                    ? QString::fromStdString(panel_.countdownSpoken)
                    : line.text);
  if (const QString name = lines.join('\n'); name != accessibleName()) setAccessibleName(name);
}

void StormPanelWidget::fitInto(int maxWidth, int maxHeight, int roomHeight) {
  if (maxWidth == maxWidth_ && maxHeight == maxHeight_ && roomHeight == roomHeight_) return;
  maxWidth_ = maxWidth;
  maxHeight_ = maxHeight;
  roomHeight_ = roomHeight;
  picture_ = QImage();
  laid_ = boxes();
  const bool buttons = panel_.undo || panel_.showStorm;
  if (laid_.empty() && !buttons) return;
  const double row = buttons ? kButtonHeight + (laid_.empty() ? 0 : kBoxGap) : 0;
  compact_ = false;
  double width = layOut(laid_, maxWidth);
  if (stacked(laid_) + row > maxHeight && !open_) {
    // Each box on one line, and the buttons beside the last where they fit.
    compact_ = true;
    width = layOutShort(laid_, maxWidth);
  }
  while (!open_ && laid_.size() > 1 && stacked(laid_) + (compact_ ? 0 : row) > maxHeight) {
    laid_.pop_back();
    width = compact_ ? layOutShort(laid_, maxWidth) : layOut(laid_, maxWidth);
  }
  // The whole text where the lines are cut short, on demand: as the tooltip, and opened by a click.
  setToolTip(compact_ ? accessibleName() : QString());
  setCursor(compact_ || open_ ? Qt::PointingHandCursor : Qt::ArrowCursor);
  // Opened by Space or Return too, so the keyboard reaches the whole text as a click does.
  setFocusPolicy(compact_ || open_ ? Qt::StrongFocus : Qt::NoFocus);
  placeButtons(width, maxHeight);
  update();
}

double StormPanelWidget::stacked(const std::vector<Box>& boxes) {
  double height = -kBoxGap;
  for (const Box& box : boxes) height += box.height + kBoxGap;
  return std::max(0.0, height);
}

double StormPanelWidget::layOutShort(std::vector<Box>& boxes, int maxWidth) const {
  const double width = std::max(40.0, static_cast<double>(maxWidth));
  for (Box& box : boxes) {
    // In the type of the box's last line, and bold where its first line is: a call to shelter
    // keeps its countdown in sight.
    QFont font = box.lines.back().font;
    font.setBold(box.lines.front().font.bold());
    for (Line& line : box.lines) line.font = font;
    box.width = width;
    box.height = std::ceil(QFontMetricsF(font).height()) + 2 * kPaddingY - 2;
  }
  if (!boxes.empty() && buttonsWidth() > 0) {
    Box& last = boxes.back();
    last.width = width - buttonsWidth();
    // The buttons go under it where it would be too short beside them and there is the height.
    const bool under = last.width < std::max(width / 4, kShortestBox) &&
                       (stacked(boxes) + kBoxGap + kButtonHeight <= std::max(maxHeight_, roomHeight_) ||
                        last.width < kShortestBox / 3);
    if (under)
      last.width = width;
    else
      last.height = std::max<double>(last.height, kButtonHeight);
  }
  return width;
}

bool StormPanelWidget::wanted(const QPushButton* button) const {
  // A short panel leaves the whole storm to the map's own control for it, where that shows.
  return button == undo_ ? panel_.undo : panel_.showStorm && !(compact_ && showStormOnMap_);
}

void StormPanelWidget::setShowStormOnMap(bool shown) {
  if (shown == showStormOnMap_) return;
  showStormOnMap_ = shown;
  maxWidth_ = -1;
}

double StormPanelWidget::buttonsWidth() const {
  double width = 0;
  for (QPushButton* button : {undo_, showStorm_})
    if (wanted(button)) width += button->sizeHint().width() + kBoxGap;
  return width;
}

void StormPanelWidget::placeButtons(double width, int maxHeight) {
  // Under the boxes, centred; in a short panel beside the last box where it left them room.
  const bool beside = compact_ && !laid_.empty() && laid_.back().width < width;
  const double top =
      beside ? stacked(laid_) - laid_.back().height : std::ceil(stacked(laid_)) + (laid_.empty() ? 0 : kBoxGap);
  const double height = beside ? laid_.back().height : kButtonHeight;
  double x = beside ? laid_.back().width + kBoxGap : 0;
  for (QPushButton* button : {undo_, showStorm_}) {
    const bool wanted = this->wanted(button);
    // A short panel keeps its buttons, even where they make it higher than it was asked to be.
    const bool fits = (compact_ || top + height <= maxHeight) && x + button->sizeHint().width() <= maxWidth_;
    button->setVisible(wanted && fits);
    markLeftOutForRoom(button, wanted && !button->isVisibleTo(this));
    if (!button->isVisibleTo(this)) continue;
    button->setGeometry(static_cast<int>(x), static_cast<int>(top), button->sizeHint().width(),
                        static_cast<int>(height));
    x += button->width() + kBoxGap;
  }
  const bool anyButton = undo_->isVisibleTo(this) || showStorm_->isVisibleTo(this);
  if (!beside) {
    width = std::max(width, x - kBoxGap);
    const int shift = static_cast<int>((width - (x - kBoxGap)) / 2);
    for (QPushButton* button : {undo_, showStorm_})
      if (button->isVisibleTo(this)) button->move(button->x() + shift, button->y());
  }
  for (Box& box : laid_)
    if (!compact_) box.width = width;
  const double bottom = anyButton && !beside ? top + kButtonHeight : std::ceil(stacked(laid_));
  resize(static_cast<int>(width), static_cast<int>(bottom));
}

QString StormPanelWidget::shortLine(const Box& box, const QFontMetricsF& metrics, double width) {
  // The lines in a row. Where they do not fit, the last (the countdown, the last strike's age)
  // stays whole and the ones before it are cut short.
  const QString gap = QStringLiteral(" \u00b7 ");
  QStringList before;
  for (const Line& line : box.lines) before << line.text;
  const QString last = before.takeLast();
  const QString all = before.isEmpty() ? last : before.join(gap) + gap + last;
  if (before.isEmpty() || metrics.horizontalAdvance(all) <= width)
    return metrics.elidedText(all, Qt::ElideRight, width);
  const double room = width - metrics.horizontalAdvance(gap + last);
  if (room < metrics.horizontalAdvance(QStringLiteral("Mmm\u2026")))
    return metrics.elidedText(all, Qt::ElideRight, width);
  return metrics.elidedText(before.join(gap), Qt::ElideRight, room) + gap + last;
}

QImage StormPanelWidget::draw(double dpr) const {
  QImage image(std::max(1, static_cast<int>(std::ceil(this->width() * dpr))),
               std::max(1, static_cast<int>(std::ceil(this->height() * dpr))), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  double y = 0;
  for (const Box& box : laid_) {
    p.setPen(Qt::NoPen);
    p.setBrush(box.ground);
    p.drawRoundedRect(QRectF(0, y, box.width, box.height), kRadius, kRadius);
    p.setPen(kInk);
    if (compact_) {
      // One line: the box's lines in a row, cut short where they do not fit.
      const Line& first = box.lines.front();
      p.setFont(first.font);
      const QString text = shortLine(box, QFontMetricsF(first.font), box.width - 2 * kShortPaddingX);
      p.drawText(QRectF(kShortPaddingX, y, box.width - 2 * kShortPaddingX, box.height), Qt::AlignCenter, text);
    } else {
      double lineY = y + kPaddingY;
      for (const Line& line : box.lines) {
        p.setFont(line.font);
        const QRectF room(kPaddingX, lineY, box.width - 2 * kPaddingX, 1e4);
        const QRectF used = QFontMetricsF(line.font).boundingRect(room, kTextFlags, line.text);
        p.drawText(room, kTextFlags, line.text);
        lineY += std::ceil(used.height()) + kLineGap;
      }
    }
    y += box.height + kBoxGap;
  }
  return image;
}

void StormPanelWidget::mousePressEvent(QMouseEvent* event) {
  // A short panel (or one opened from it) takes a click; a whole one leaves presses to the map.
  if (compact_ || open_)
    event->accept();
  else
    event->ignore();
}

void StormPanelWidget::mouseReleaseEvent(QMouseEvent* event) {
  if (!(compact_ || open_)) {
    event->ignore();
    return;
  }
  toggleOpen();
}

void StormPanelWidget::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  if ((compact_ || open_) && (key == Qt::Key_Space || key == Qt::Key_Return || key == Qt::Key_Enter))
    toggleOpen();
  else
    MapPanel::keyPressEvent(event);
}

void StormPanelWidget::toggleOpen() {
  open_ = !open_;
  maxWidth_ = -1;  // laid out afresh
  if (auto* map = qobject_cast<MapWidget*>(parentWidget())) map->placePositionControls();
}

void StormPanelWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const double dpr = painter.device()->devicePixelRatioF();
  if (picture_.isNull() || picture_.devicePixelRatio() != dpr) picture_ = draw(dpr);
  painter.drawImage(QPointF(0, 0), picture_);
  if (hasFocus()) {
    // The keyboard's ring, in the yellow of the screen's other rings.
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0xfc, 0xd3, 0x4d), 2));
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 6, 6);
  }
}

}  // namespace storm::qt
