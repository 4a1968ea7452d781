#pragma once

#include <QString>
#include <QWidget>
#include <deque>

// What screen readers are told, beyond what Qt's widgets tell them by themselves.
//
// Roles: a widget whose dynamic property "accessibleRole" is "alert", "link", "radio" or "group"
// is exposed with that role (a radio button with its checked state and a press action).
//
// Announcements: Qt's bridge to the desktop's accessibility bus passes no announcement events, but
// screen readers speak what shows with a role they watch: an alert for most, a notification for
// Orca 43 (which hears an alert come and says nothing). An Announcer is both without a face: each
// announcement names them and shows them anew. A reader asks for the name after the event, so
// things said at once go through announcers of their own (`channel`), or the later would hide the
// earlier. The focused button's new title is said through the "focus" channel, not as a rename
// (see Accessibility.cpp).

namespace storm::qt {

// Qt's bridge to the desktop's accessibility bus connects to that bus, and asks the session bus
// where it is, on the GUI thread and without a bound: a stopped or silent bus holds up the window
// and quitting, and one that refuses the registration brings the application down. This makes the
// same conversations first, each bounded by a couple of seconds, and when one fails points the
// bridge at no bus for the run, so that it connects to nothing. Call it before the application
// object is made (the bridge reads its environment when it starts); it returns why accessibility
// is off, or nothing when the bridge was left alone.
QString guardAccessibilityBus();
// Once the application object is made: starts the bridge, then gives the environment back the bus
// address it had, so that programs the application starts (a browser) find the desktop's bus.
void startAccessibilityBridge();

// Installs the roles above and the saying of the focused button's renames; idempotent.
void installAccessibleRoles();

// Hiding or showing a widget tells assistive technology of that widget only; readers keep what they
// knew of the rest. This tells them that every control in `root` went out of (or came into) view.
void tellShowing(QWidget* root, bool showing);

class Announcer : public QWidget {
 public:
  // The window's announcer for `channel`, made on first use.
  static Announcer* of(QWidget* window, const QString& channel);
  void announce(const QString& text);

 private:
  explicit Announcer(QWidget* window);
  QWidget* notification_ = nullptr;  // the notification's face, the window's child too
};

// The last events the application sent to assistive technology, named as the accessibility bus
// names them ("focus", "name-changed", "description-changed", "alert"), for automation. Events
// flow only while assistive technology listens (or Qt is told it does).
struct AccessibilityEvent {
  QString type, object, text;
};
class AccessibilityLog {
 public:
  static void install();
  static std::deque<AccessibilityEvent> events();
};

}  // namespace storm::qt
