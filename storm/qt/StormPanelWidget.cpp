#include "storm/qt/StormPanelWidget.h"

#include <QFontMetricsF>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include <QCoreApplication>
#include <tuple>

#include "system/qt/ScreenFit.h"

namespace storm::qt {

namespace {

constexpr double kPaddingX = 10;
constexpr double kPaddingY = 5;
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
  for (auto [button, name, text] : {std::tuple{&undo_, "undoStrike", QT_TRANSLATE_NOOP("Localizable", "Undo")},
                                    std::tuple{&showStorm_, "showStorm", QT_TRANSLATE_NOOP("Localizable",
                                                                                           "Show the storm")}}) {
    *button = new QPushButton(QCoreApplication::translate("Localizable", text), this);
    (*button)->setObjectName(name);
    (*button)->setCursor(Qt::PointingHandCursor);
    // Reached by Tab only: a click must leave the focus where Space times.
    (*button)->setFocusPolicy(Qt::TabFocus);
    (*button)->setStyleSheet(withApplicationFontSizes(
        "QPushButton { color: #ffffff; background: #1f2933; border: 1px solid #9aa5b1;"
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

void StormPanelWidget::fitInto(int maxWidth, int maxHeight) {
  if (maxWidth == maxWidth_ && maxHeight == maxHeight_) return;
  maxWidth_ = maxWidth;
  maxHeight_ = maxHeight;
  picture_ = QImage();
  std::vector<Box> stack = boxes();
  const bool buttons = panel_.undo || panel_.showStorm;
  if (stack.empty() && !buttons) return;
  auto stacked = [](const std::vector<Box>& boxes) {
    double height = -kBoxGap;
    for (const Box& box : boxes) height += box.height + kBoxGap;
    return std::max(0.0, height);
  };
  const double row = buttons ? kButtonHeight + (stack.empty() ? 0 : kBoxGap) : 0;
  double width = layOut(stack, maxWidth);
  while (stack.size() > 1 && stacked(stack) + row > maxHeight) {
    stack.pop_back();
    width = layOut(stack, maxWidth);
  }
  shown_ = stack.size();
  // The actions in a row under the boxes, as wide as the boxes or as their own texts need.
  const double top = std::ceil(stacked(stack)) + (stack.empty() ? 0 : kBoxGap);
  double x = 0;
  for (QPushButton* button : {undo_, showStorm_}) {
    const bool wanted = button == undo_ ? panel_.undo : panel_.showStorm;
    button->setVisible(wanted && top + kButtonHeight <= maxHeight);
    if (!button->isVisibleTo(this)) continue;
    button->setGeometry(static_cast<int>(x), static_cast<int>(top), button->sizeHint().width(), kButtonHeight);
    x += button->width() + kBoxGap;
  }
  width = std::max(width, x - kBoxGap);
  // The row centred under the boxes.
  const int shift = static_cast<int>((width - (x - kBoxGap)) / 2);
  for (QPushButton* button : {undo_, showStorm_})
    if (button->isVisibleTo(this)) button->move(button->x() + shift, button->y());
  const bool anyButton = undo_->isVisibleTo(this) || showStorm_->isVisibleTo(this);
  resize(static_cast<int>(width), static_cast<int>(anyButton ? top + kButtonHeight : std::ceil(stacked(stack))));
  update();
}

QImage StormPanelWidget::draw(double dpr) const {
  std::vector<Box> stack = boxes();
  stack.resize(std::min(stack.size(), shown_));
  const double width = layOut(stack, maxWidth_);
  QImage image(std::max(1, static_cast<int>(std::ceil(this->width() * dpr))),
               std::max(1, static_cast<int>(std::ceil(this->height() * dpr))), QImage::Format_ARGB32_Premultiplied);
  image.setDevicePixelRatio(dpr);
  image.fill(Qt::transparent);
  QPainter p(&image);
  p.setRenderHint(QPainter::Antialiasing);
  double y = 0;
  for (const Box& box : stack) {
    p.setPen(Qt::NoPen);
    p.setBrush(box.ground);
    p.drawRoundedRect(QRectF(0, y, width, box.height), kRadius, kRadius);
    p.setPen(kInk);
    double lineY = y + kPaddingY;
    for (const Line& line : box.lines) {
      p.setFont(line.font);
      const QRectF room(kPaddingX, lineY, width - 2 * kPaddingX, 1e4);
      const QRectF used = QFontMetricsF(line.font).boundingRect(room, kTextFlags, line.text);
      p.drawText(room, kTextFlags, line.text);
      lineY += std::ceil(used.height()) + kLineGap;
    }
    y += box.height + kBoxGap;
  }
  return image;
}

void StormPanelWidget::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const double dpr = painter.device()->devicePixelRatioF();
  if (picture_.isNull() || picture_.devicePixelRatio() != dpr) picture_ = draw(dpr);
  painter.drawImage(QPointF(0, 0), picture_);
}

}  // namespace storm::qt
