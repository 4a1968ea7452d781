#include "storm/qt/BearingPrompt.h"

#include <QApplication>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyle>
#include <cmath>

#include "map/qt/MapWidget.h"
#include "storm/Bearing.h"

namespace storm::qt {

namespace {

// A press that moves less than this is a click; more, a drag.
constexpr int kDragPixels = 8;

double screenBearing(QPointF from, QPointF to) {
  return normalizedBearing(std::atan2(to.x() - from.x(), from.y() - to.y()) * 180 / M_PI);
}

std::optional<double> arrowBearing(int key) {
  switch (key) {
    case Qt::Key_Up: return 0.0;
    case Qt::Key_Right: return 90.0;
    case Qt::Key_Down: return 180.0;
    case Qt::Key_Left: return 270.0;
    default: return std::nullopt;
  }
}

// The compass point of a keypad key known by its XKB keycode (evdev's plus 8): the same with Num
// Lock on (a digit) or off (an arrow, Home, Page Up …).
std::optional<double> keypadPlace(int key, quint32 scanCode) {
  const bool digitOrMove = (key >= Qt::Key_1 && key <= Qt::Key_9) || arrowBearing(key) || key == Qt::Key_Home ||
                           key == Qt::Key_End || key == Qt::Key_PageUp || key == Qt::Key_PageDown;
  if (!digitOrMove) return std::nullopt;
  switch (scanCode) {
    case 80: return 0.0;    // 8
    case 81: return 45.0;   // 9
    case 85: return 90.0;   // 6
    case 89: return 135.0;  // 3
    case 88: return 180.0;  // 2
    case 87: return 225.0;  // 1
    case 83: return 270.0;  // 4
    case 79: return 315.0;  // 7
    default: return std::nullopt;
  }
}

bool isEnter(const QKeyEvent* key) {
  return (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
         (key->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

}  // namespace

BearingPrompt::BearingPrompt(MapWidget* map, QLineEdit* field) : map_(map), mapWidget_(map), field_(field) {
  if (field_) {
    QObject::connect(field_, &QLineEdit::returnPressed, this, [this] { typed(); });
    QObject::connect(field_, &QLineEdit::textEdited, field_, [this] { markInvalid(false); });
  }
}

BearingPrompt::~BearingPrompt() { ask(std::nullopt, std::nullopt); }

void BearingPrompt::ask(std::optional<double> strikeTime, std::optional<GeoPoint> from) {
  const bool was = asking();
  if (strikeTime != strike_ && field_) field_->clear();
  strike_ = strikeTime;
  from_ = from;
  pressedAt_.reset();
  shiftHeld_.reset();
  if (was == asking()) return;
  if (asking()) {
    if (map_) map_->installEventFilter(this);
    qApp->installEventFilter(this);
  } else {
    if (map_) map_->removeEventFilter(this);
    qApp->removeEventFilter(this);
  }
}

std::optional<double> BearingPrompt::keyBearing(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode) {
  if ((modifiers & ~Qt::KeypadModifier) != Qt::NoModifier) return std::nullopt;
  // The keypad by its place first: Wayland does not mark its keys as the keypad's, and with Num
  // Lock on or off a key there keeps its place.
  if (const std::optional<double> place = keypadPlace(key, scanCode)) return place;
  if (const std::optional<double> arrow = arrowBearing(key)) return arrow;
  if (!(modifiers & Qt::KeypadModifier)) return std::nullopt;
  switch (key) {
    case Qt::Key_8: return 0.0;
    case Qt::Key_9:
    case Qt::Key_PageUp: return 45.0;
    case Qt::Key_6: return 90.0;
    case Qt::Key_3:
    case Qt::Key_PageDown: return 135.0;
    case Qt::Key_2: return 180.0;
    case Qt::Key_1:
    case Qt::Key_End: return 225.0;
    case Qt::Key_4: return 270.0;
    case Qt::Key_7:
    case Qt::Key_Home: return 315.0;
    default: return std::nullopt;
  }
}

void BearingPrompt::give(double degrees, BearingSource source) {
  if (!strike_) return;
  const double strike = *strike_;
  ask(std::nullopt, std::nullopt);
  if (onBearing) onBearing(strike, normalizedBearing(degrees), source);
}

void BearingPrompt::typed() {
  if (!field_ || !strike_) return;
  if (const std::optional<double> degrees = parseBearing(field_->text().toStdString())) {
    give(*degrees, BearingSource::Typed);
    return;
  }
  markInvalid(true);
  field_->selectAll();
}

void BearingPrompt::markInvalid(bool invalid) {
  if (!field_ || field_->property("invalid").toBool() == invalid) return;
  field_->setProperty("invalid", invalid);
  // Said where the eye and a screen reader both find it.
  const QString words = invalid ? QCoreApplication::translate("Localizable", "Degrees from 0 to 359") : QString();
  field_->setToolTip(words);
  field_->setAccessibleDescription(words);
  field_->style()->unpolish(field_);
  field_->style()->polish(field_);
}

bool BearingPrompt::handleKey(QObject* receiver, QKeyEvent* key, bool act) {
  // Keys for the map's screen (its window, unless told), taken at the widget they go to (the
  // window itself sees them first); not those of another screen over it.
  auto* widget = qobject_cast<QWidget*>(receiver);
  QWidget* scope = scope_ ? scope_.data() : map_ ? map_->window() : nullptr;
  if (!map_ || !map_->isVisible() || !widget || !scope || (widget != scope && !scope->isAncestorOf(widget)))
    return false;
  // Keys in a field of text are its own, but Escape still lets the question go.
  const bool inText = qobject_cast<QLineEdit*>(QApplication::focusWidget()) != nullptr;
  if (key->key() == Qt::Key_Escape && key->modifiers() == Qt::NoModifier) {
    if (act) {
      const double strike = *strike_;
      ask(std::nullopt, std::nullopt);
      if (onDismiss) onDismiss(strike);
    }
    return true;
  }
  // Return and Enter in the degrees field take its number, and never reach the stopwatch's keys.
  if (field_ && QApplication::focusWidget() == field_ && isEnter(key)) {
    if (act) typed();
    return true;
  }
  if (inText) return false;
  if (shiftArrow(key, act)) return true;
  if (const std::optional<double> degrees = keyBearing(key->key(), key->modifiers(), key->nativeScanCode())) {
    if (act) give(*degrees, BearingSource::Key);
    return true;
  }
  // A digit (not on the keypad) starts a typed number.
  if (field_ && field_->isVisible() && !(key->modifiers() & Qt::KeypadModifier) && key->text().size() == 1 &&
      key->text()[0].isDigit()) {
    if (act) {
      field_->setFocus(Qt::OtherFocusReason);
      field_->setText(key->text());
    }
    return true;
  }
  return false;
}

bool BearingPrompt::shiftArrow(QKeyEvent* key, bool act) {
  if ((key->modifiers() & ~Qt::KeypadModifier) != Qt::ShiftModifier) return false;
  const std::optional<double> point = arrowBearing(key->key());
  if (!point) return false;
  if (!act) return true;
  const double across = shiftHeld_ ? std::abs(*shiftHeld_ - *point) : 0;
  if (across == 90 || across == 270)
    give(across == 270 ? 315 : (*shiftHeld_ + *point) / 2, BearingSource::Key);  // north-west wraps
  else
    shiftHeld_ = point;
  return true;
}

bool BearingPrompt::eventFilter(QObject* watched, QEvent* event) {
  if (!strike_) return false;
  if (event->type() == QEvent::KeyPress) return handleKey(watched, static_cast<QKeyEvent*>(event), true);
  // Shift let go with one arrow held: that arrow's point.
  if (event->type() == QEvent::KeyRelease && shiftHeld_ && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Shift) {
    give(*shiftHeld_, BearingSource::Key);
    return false;
  }
  // A key the question takes is not a shortcut meanwhile (Escape, the arrows): it comes as a press.
  if (event->type() == QEvent::ShortcutOverride && handleKey(watched, static_cast<QKeyEvent*>(event), false)) {
    event->accept();
    return true;
  }
  if (watched != map_) return false;
  switch (event->type()) {
    case QEvent::MouseButtonPress: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton) return false;
      pressedAt_ = mouse->position().toPoint();
      return true;
    }
    case QEvent::MouseMove: return pressedAt_.has_value();
    case QEvent::MouseButtonRelease: {
      auto* mouse = static_cast<QMouseEvent*>(event);
      if (mouse->button() != Qt::LeftButton || !pressedAt_) return false;
      const QPoint from = *pressedAt_, to = mouse->position().toPoint();
      pressedAt_.reset();
      if ((to - from).manhattanLength() >= kDragPixels)
        give(screenBearing(from, to), BearingSource::Map);
      else if (const QPointF here = from_ ? mapWidget_->model().pointForCoordinate(*from_) : QPointF();
               from_ && (QPointF(to) - here).manhattanLength() >= kDragPixels)
        give(screenBearing(here, to), BearingSource::Map);
      return true;
    }
    case QEvent::MouseButtonDblClick: return true;
    default: return false;
  }
}

}  // namespace storm::qt
