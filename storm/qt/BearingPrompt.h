#pragma once

#include <QLineEdit>
#include <QObject>
#include <QPoint>
#include <QPointer>
#include <functional>
#include <optional>

#include "map/Coordinates.h"
#include "storm/Strike.h"

// The answer to "Where was the flash?" while the map asks it: a click on the map gives the
// direction from where the strike was measured to the point clicked, a drag anywhere gives the
// direction of the drag (the map is north-up, and its projection keeps angles), the numeric keypad
// is a compass rose (8 north, 9 north-east, 6 east … 7 north-west; with Num Lock on or off, known
// by the key's place where the platform does not mark it as the keypad's), the arrow keys give the
// four main points and Shift with two arrows the points between (keys a screen reader leaves to the
// application), and a number typed into the panel's field gives degrees, taken with Return or Enter;
// a digit typed anywhere in the window starts that number. Inside the field its keys are its own.
// Escape lets the question go. While it asks, the map does not pan by dragging; otherwise it takes
// no input at all.

namespace storm::qt {

class MapWidget;

class BearingPrompt : public QObject {
 public:
  BearingPrompt(MapWidget* map, QLineEdit* field);
  ~BearingPrompt() override;

  // Asks for the direction of the strike flashed at `strikeTime`, measured from `from` (a click
  // needs it); nothing stops asking.
  void ask(std::optional<double> strikeTime, std::optional<GeoPoint> from);
  bool asking() const { return strike_.has_value(); }
  // Keys are taken only from widgets within `screen` (by default the map's window).
  void setKeyScope(QWidget* screen) { scope_ = screen; }

  // A direction was given: the strike, degrees clockwise from north, and how it was given.
  std::function<void(double strikeTime, double degrees, BearingSource source)> onBearing;
  // The question was let go (Escape).
  std::function<void(double strikeTime)> onDismiss;

  // The bearing a key gives while asking, if any; `scanCode` is the key's XKB keycode (X11 and
  // Wayland), 0 where unknown.
  static std::optional<double> keyBearing(int key, Qt::KeyboardModifiers modifiers, quint32 scanCode = 0);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void give(double degrees, BearingSource source);
  void typed();
  void markInvalid(bool invalid);
  // Whether the question takes `event` (sent to `receiver`), and with `act`, answers it.
  bool handleKey(QObject* receiver, QKeyEvent* event, bool act);
  // Shift with an arrow: the first is held until a second across it names the point between, or
  // Shift is let go.
  bool shiftArrow(QKeyEvent* key, bool act);

  // The map as a widget (events name it while it is being destroyed, when it is no longer a map),
  // and as the map, only while it is one.
  QPointer<QWidget> map_;
  MapWidget* mapWidget_ = nullptr;
  QPointer<QLineEdit> field_;
  QPointer<QWidget> scope_;
  std::optional<double> strike_;
  std::optional<GeoPoint> from_;
  std::optional<QPoint> pressedAt_;
  std::optional<double> shiftHeld_;
};

}  // namespace storm::qt
