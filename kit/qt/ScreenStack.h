#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "kit/ViewController.h"
#include "kit/qt/LayoutLoader.h"

// The screens on show in the window: the main screen and the ones presented modally over it,
// each sliding in from the bottom edge and out again.

namespace storm::qt {

class ScreenStack : public PresentationHost, public std::enable_shared_from_this<ScreenStack> {
 public:
  ScreenStack(QWidget* window, LayoutLoader& loader) : window_(window), loader_(loader) {}

  bool showMain(const QString& layout);
  void present(LoadedScreen& source, const std::string& identifier, const QString& destination, View* sender);
  // Presents `root`, a screen of plain widgets named `name` (the stack takes it over), over
  // `source`, as a segue presents a layout; it closes as the screens `source` presented do.
  void presentWidget(LoadedScreen& source, QWidget* root, const QString& name, QWidget* firstFocus = nullptr);
  void dismissModalViewController(ViewController& presenter, bool animated) override;
  // Lays every screen out over the whole window.
  void layout();

  // Asks the main screen whether it may turn to `orientation`, as the system does before a turn.
  bool askToRotate(InterfaceOrientation orientation);
  // Tells the main screen that it has turned from `from`, once the window has its new size.
  void didRotate(InterfaceOrientation from);

  LoadedScreen* main() const { return screens_.empty() ? nullptr : screens_.front().get(); }
  LoadedScreen* top() const { return screens_.empty() ? nullptr : screens_.back().get(); }
  bool transitioning() const { return transitions_ > 0; }

 private:
  SegueHandler segueHandler();
  void slideIn(LoadedScreen& source, std::unique_ptr<LoadedScreen> screen);
  void transitionEnded();

  QPointer<QWidget> window_;
  LayoutLoader& loader_;
  std::vector<std::unique_ptr<LoadedScreen>> screens_;
  int transitions_ = 0;
  std::function<void()> afterTransition_;  // a dismissal asked for while a screen slid
};

}  // namespace storm::qt
