#include "system/qt/ScreenFit.h"

#include <QApplication>
#include <QBoxLayout>
#include <QEvent>
#include <QLayout>
#include <QRegularExpression>
#include <algorithm>

namespace storm::qt {

namespace {
// 12 px is the 9 pt application font at 96 dpi; a font the desktop sets in pixels counts as 9 pt.
double pointsPerPixel() {
  const double points = QApplication::font().pointSizeF();
  return (points > 0 ? points : 9.0) / 12.0;
}
}  // namespace

void setTextPixels(QFont& font, double pixels) { font.setPointSizeF(pixels * pointsPerPixel()); }

QString withApplicationFontSizes(const QString& styleSheet) {
  const double pointsPerPixel = storm::qt::pointsPerPixel();
  static const QRegularExpression size(R"(font-size:\s*(\d+(?:\.\d+)?)px)");
  QString out;
  qsizetype at = 0;
  for (auto it = size.globalMatch(styleSheet); it.hasNext();) {
    const QRegularExpressionMatch m = it.next();
    out += styleSheet.mid(at, m.capturedStart() - at);
    out += QStringLiteral("font-size: %1pt").arg(m.captured(1).toDouble() * pointsPerPixel, 0, 'g', 6);
    at = m.capturedEnd();
  }
  return out + styleSheet.mid(at);
}

namespace {
constexpr const char* kLeftOutForRoom = "leftOutForRoom";
}  // namespace

void markLeftOutForRoom(QWidget* control, bool leftOut) {
  if (control) control->setProperty(kLeftOutForRoom, leftOut);
}

bool isLeftOutForRoom(const QWidget* control) { return control && control->property(kLeftOutForRoom).toBool(); }

void applyApplicationFontSizes(QWidget* root) {
  if (!root) return;
  QList<QWidget*> widgets = root->findChildren<QWidget*>();
  widgets.prepend(root);
  for (QWidget* widget : widgets)
    if (!widget->styleSheet().isEmpty()) widget->setStyleSheet(withApplicationFontSizes(widget->styleSheet()));
}

namespace {

constexpr int kWideFrom = 480;         // pixels across, at a landscape shape of 4:3 or wider
constexpr int kFullHeightFrom = 560;   // pixels down: below, the type is set smaller
constexpr int kSmallHeightFrom = 420;  // pixels down: below, smaller still
constexpr int kFullWidthFrom = 320;    // pixels across: below, the rows leave out what they can spare
constexpr int kColumnPercent = 38;     // of a wide window's width, for the controls beside the content
constexpr int kNarrowestColumn = 240;  // room for the longest line of the controls
constexpr int kWidestColumn = 400;
constexpr int kLargeHeightFrom = 860;  // pixels down and across for the large type
constexpr int kLargeWidthFrom = 640;
constexpr int kWidestLargeColumn = 520;

// A widget of a turning layout that takes no stretch sits in the side column when the layout is a row.
bool isSideWidget(const QWidget* widget) {
  const QSizePolicy policy = widget->sizePolicy();
  return policy.horizontalStretch() == 0 && policy.verticalStretch() == 0;
}

}  // namespace

SizeClasses sizeClassesFor(QSize size) {
  SizeClasses classes;
  classes.wide = size.width() >= kWideFrom && size.width() * 3 >= size.height() * 4;
  classes.short_ = size.height() < kFullHeightFrom;
  classes.low = size.height() < kSmallHeightFrom;
  classes.narrow = size.width() < kFullWidthFrom;
  classes.large = size.height() >= kLargeHeightFrom && size.width() >= kLargeWidthFrom;
  return classes;
}

int sideColumnWidth(int width, bool large) {
  return std::clamp(width * kColumnPercent / 100, kNarrowestColumn, large ? kWidestLargeColumn : kWidestColumn);
}

void ScreenFit::install(QWidget* root) {
  if (root) new ScreenFit(root);
}

ScreenFit::ScreenFit(QWidget* root) : QObject(root), root_(root) {
  for (QWidget* widget : root->findChildren<QWidget*>()) {
    if (!widget->property("readableWidth").isValid() || !widget->layout()) continue;
    readable_.push_back({widget, widget->layout()->contentsMargins()});
    widget->installEventFilter(this);
  }
  if (root->property("readableWidth").isValid() && root->layout())
    readable_.push_back({root, root->layout()->contentsMargins()});
  root->installEventFilter(this);
  fitRoot();
}

bool ScreenFit::eventFilter(QObject* watched, QEvent* event) {
  // Before the widget's own layout sees the new size, so that it lays out once, with the new margins.
  if (event->type() == QEvent::Resize) {
    if (watched == root_) fitRoot();
    if (auto* widget = qobject_cast<QWidget*>(watched)) fitReadable(widget);
  }
  return false;
}

void ScreenFit::fitRoot() {
  const QSize size = root_->size();
  const SizeClasses now = sizeClassesFor(size);
  const int column = now.wide ? sideColumnWidth(size.width(), now.large) : -1;
  const bool restyle = classesSet_ && !(now == classes_);
  if (classesSet_ && now == classes_ && column == columnWidth_) return;
  classes_ = now;
  classesSet_ = true;
  columnWidth_ = column;

  for (const QString& name : root_->property("turnWhenWide").toString().split(',', Qt::SkipEmptyParts)) {
    auto* box = root_->findChild<QBoxLayout*>(name.trimmed());
    if (!box) continue;
    box->setDirection(now.wide ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    for (int i = 0; i < box->count(); ++i) {
      QWidget* widget = box->itemAt(i)->widget();
      if (!widget || !isSideWidget(widget)) continue;
      if (now.wide) {
        widget->setFixedWidth(column);
        box->setAlignment(widget, Qt::AlignVCenter);
      } else {
        widget->setMinimumWidth(0);
        widget->setMaximumWidth(QWIDGETSIZE_MAX);
        box->setAlignment(widget, {});
      }
    }
  }
  for (QWidget* widget : root_->findChildren<QWidget*>()) {
    if (widget->property("hideWhenNarrow").toBool() && widget->isHidden() != now.narrow) widget->setHidden(now.narrow);
  }
  root_->setProperty("wide", now.wide);
  root_->setProperty("short", now.short_);
  root_->setProperty("low", now.low);
  root_->setProperty("narrow", now.narrow);
  root_->setProperty("large", now.large);
  // The style sheet reads the classes when it polishes the widgets: setting it again polishes
  // them anew.
  if (restyle) root_->setStyleSheet(root_->styleSheet());
}

void ScreenFit::fitReadable(QWidget* widget) {
  auto it =
      std::find_if(readable_.begin(), readable_.end(), [widget](const Readable& r) { return r.widget == widget; });
  if (it == readable_.end() || !widget->layout()) return;
  const QMargins declared = it->margins;
  const int most = widget->property("readableWidth").toInt();
  const int extra = std::max(0, widget->width() - declared.left() - declared.right() - most);
  const QMargins margins(declared.left() + extra / 2, declared.top(), declared.right() + extra - extra / 2,
                         declared.bottom());
  if (widget->layout()->contentsMargins() != margins) widget->layout()->setContentsMargins(margins);
}

}  // namespace storm::qt
