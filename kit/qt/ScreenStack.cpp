#include "kit/qt/ScreenStack.h"

#include <QPointer>

#include "kit/qt/QtViews.h"
#include "system/qt/Accessibility.h"
#include "system/qt/ScreenFit.h"

#include <QPointer>
#include <QPropertyAnimation>
#include <algorithm>

namespace storm::qt {

namespace {

constexpr int kPresentMilliseconds = 300;

void slide(QWidget* widget, QPoint from, QPoint to, std::function<void()> done) {
  auto* animation = new QPropertyAnimation(widget, "pos", widget);
  animation->setDuration(kPresentMilliseconds);
  animation->setStartValue(from);
  animation->setEndValue(to);
  animation->setEasingCurve(QEasingCurve::OutCubic);
  QObject::connect(animation, &QPropertyAnimation::finished, widget, std::move(done));
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

}  // namespace

SegueHandler ScreenStack::segueHandler() {
  return [weak = weak_from_this()](LoadedScreen& source, const std::string& identifier, const QString& destination,
                                   View* sender) {
    if (auto self = weak.lock()) self->present(source, identifier, destination, sender);
  };
}

bool ScreenStack::showMain(const QString& layout) {
  auto screen = loader_.load(layout, window_, segueHandler());
  if (!screen) return false;
  screen->controller->setPresentationHost(weak_from_this());
  screen->takeFocus();
  screens_.push_back(std::move(screen));
  this->layout();
  return true;
}

void ScreenStack::present(LoadedScreen& source, const std::string& identifier, const QString& destination,
                          View* sender) {
  if (transitions_ > 0 || top() != &source) return;  // one presentation at a time, from the top screen
  auto screen = loader_.load(destination, window_, segueHandler());
  if (!screen) return;
  screen->controller->setPresentationHost(weak_from_this());
  StoryboardSegue segue{identifier, source.controller, screen->controller};
  source.controller->prepareForSegue(segue, sender);
  slideIn(source, std::move(screen));
}

void ScreenStack::presentWidget(LoadedScreen& source, QWidget* root, const QString& name, QWidget* firstFocus) {
  if (!root) return;
  if (transitions_ > 0 || top() != &source) {  // one presentation at a time, from the top screen
    root->deleteLater();
    return;
  }
  root->setParent(window_);
  applyApplicationFontSizes(root);
  ScreenFit::install(root);
  auto screen = std::make_unique<LoadedScreen>();
  screen->layoutName = name;
  screen->root = root;
  screen->controller = std::make_shared<ViewController>();
  screen->rootView = wrapWidget(root);
  screen->firstFocus = firstFocus;
  slideIn(source, std::move(screen));
}

void ScreenStack::slideIn(LoadedScreen& source, std::unique_ptr<LoadedScreen> screen) {
  QWidget* root = screen->root;
  QWidget* below = source.root;
  LoadedScreen* shown = screen.get();
  screens_.push_back(std::move(screen));
  layout();
  // The screen below takes no input while covered.
  if (below) below->setEnabled(false);
  root->show();
  root->raise();
  shown->takeFocus();
  // A dialog on show stays in front of the screen that comes up under it.
  for (auto* dialog : window_->findChildren<QWidget*>("alertLayer", Qt::FindDirectChildrenOnly)) dialog->raise();
  ++transitions_;
  slide(root, QPoint(0, window_->height()), QPoint(0, 0), [this, guard = weak_from_this(), covered = QPointer(below)] {
    if (!guard.lock()) return;
    // Covered for good: hidden, so that screen readers no longer find its controls on show.
    if (covered && top() && top()->root != covered) {
      covered->hide();
      tellShowing(covered, false);
    }
    transitionEnded();
  });
}

void ScreenStack::dismissModalViewController(ViewController& presenter, bool animated) {
  // Closes the screen presented by `presenter`.
  if (transitions_ > 0) {
    // Asked while a screen slides: done when the slide ends, not forgotten.
    afterTransition_ = [this, weak = presenter.weak_from_this(), animated] {
      if (auto controller = weak.lock()) dismissModalViewController(*controller, animated);
    };
    return;
  }
  auto it =
      std::find_if(screens_.begin(), screens_.end(), [&](const auto& s) { return s->controller.get() == &presenter; });
  if (it == screens_.end() || std::next(it) == screens_.end()) return;
  LoadedScreen* presented = std::next(it)->get();
  LoadedScreen* uncovered = it->get();
  QWidget* below = uncovered->root;
  auto finish = [this, presented, uncovered, below, guard = weak_from_this()] {
    if (!guard.lock()) return;
    auto found = std::find_if(screens_.begin(), screens_.end(), [&](const auto& s) { return s.get() == presented; });
    if (found == screens_.end()) return;
    if (QWidget* root = (*found)->root) root->deleteLater();
    screens_.erase(found, screens_.end());
    if (below) {
      below->setEnabled(true);
      const bool kept =
          std::any_of(screens_.begin(), screens_.end(), [&](const auto& s) { return s.get() == uncovered; });
      if (kept) uncovered->takeFocus();  // back where a screen's keyboard use starts
    }
  };
  if (below && below->isHidden()) {  // under the screen that slides away
    below->show();
    tellShowing(below, true);
  }
  if (!animated || !presented->root || !window_->isVisible()) {
    finish();
    return;
  }
  ++transitions_;
  slide(presented->root, QPoint(0, 0), QPoint(0, window_->height()), [this, finish, guard = weak_from_this()] {
    if (!guard.lock()) return;
    finish();
    transitionEnded();
  });
}

void ScreenStack::transitionEnded() {
  if (--transitions_ > 0 || !afterTransition_) return;
  std::function<void()> next = std::move(afterTransition_);
  afterTransition_ = nullptr;
  next();
}

bool ScreenStack::askToRotate(InterfaceOrientation orientation) {
  auto* screen = main();
  return screen && screen->controller->shouldAutorotateToInterfaceOrientation(orientation);
}

void ScreenStack::didRotate(InterfaceOrientation from) {
  if (auto* screen = main()) screen->controller->didRotateFromInterfaceOrientation(from);
}

void ScreenStack::layout() {
  if (!window_) return;
  const Rect full{0, 0, static_cast<float>(window_->width()), static_cast<float>(window_->height())};
  for (auto& screen : screens_) {
    if (screen->rootView && screen->rootView->frame() != full) screen->rootView->setFrame(full);
  }
}

}  // namespace storm::qt
