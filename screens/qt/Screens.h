#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <optional>

// The screens in the window: the main screen, and the one presented over it (the information
// screen, or a feature's screen such as the strike history), which slides in from the bottom edge
// and out again. The screens fill the window; when the window turns (taller than wide, or wider
// than tall) the main screen is asked whether it may, and its banner laid out again for its new
// size.

namespace storm::qt {

class InfoScreen;
class MainScreen;

class Screens : public QObject {
 public:
  // `makeInfo` makes the information screen, in the window it is given.
  Screens(QWidget* window, MainScreen* main, std::function<InfoScreen*(QWidget* window)> makeInfo);

  MainScreen* main() const { return main_; }
  // The screen presented over the main one and its name; null while the main screen is on top.
  QWidget* presented() const { return presented_; }
  const QString& presentedName() const { return presentedName_; }
  QWidget* top() const;
  bool transitioning() const { return transitions_ > 0; }

  // The way "showAlternate": the information screen over the main one.
  void showInfo();
  // Presents `screen`, which the screens take over, as `name` over the main screen, with the
  // keyboard's focus on `firstFocus`; refused (and `screen` deleted) while another is presented.
  void present(QWidget* screen, const QString& name, QWidget* firstFocus);
  // Closes the presented screen; asked while a screen slides, once the slide has ended.
  void dismiss(bool animated);
  // Asks the main screen whether it may turn to `orientation`, as the system does before a turn.
  bool askToRotate(long orientation) const;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  void layout();
  void windowResized();
  void finishDismissal();
  void transitionEnded();
  void announceOpening(QWidget* screen) const;

  QPointer<QWidget> window_;
  QPointer<MainScreen> main_;
  std::function<InfoScreen*(QWidget*)> makeInfo_;
  QPointer<QWidget> presented_;
  QString presentedName_;
  int transitions_ = 0;
  std::optional<bool> dismissalAsked_;  // while a screen slid: animated or not
  bool portrait_ = true;
};

}  // namespace storm::qt
