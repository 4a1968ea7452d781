#include "screens/qt/Screens.h"

#include <QAbstractButton>
#include <QEvent>
#include <QLabel>
#include <QPropertyAnimation>
#include <QTextDocumentFragment>

#include "screens/qt/MainScreen.h"
#include "system/qt/Accessibility.h"
#include "ui_Main.h"

namespace storm::qt {

namespace {

constexpr int kPresentMilliseconds = 300;

void slide(QWidget* widget, QPoint from, QPoint to, QObject* context, std::function<void()> done) {
  auto* animation = new QPropertyAnimation(widget, "pos", widget);
  animation->setDuration(kPresentMilliseconds);
  animation->setStartValue(from);
  animation->setEndValue(to);
  animation->setEasingCurve(QEasingCurve::OutCubic);
  QObject::connect(animation, &QPropertyAnimation::finished, context, std::move(done));
  animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void takeFocus(QWidget* screen, QWidget* firstFocus) {
  if (firstFocus)
    firstFocus->setFocus(Qt::OtherFocusReason);
  else if (screen)
    screen->setFocus(Qt::OtherFocusReason);
}

}  // namespace

Screens::Screens(QWidget* window, MainScreen* main, std::function<InfoScreen*(QWidget*)> makeInfo)
    : QObject(window), window_(window), main_(main), makeInfo_(std::move(makeInfo)) {
  main_->controller().setDismissal([this](bool animated) { dismiss(animated); });
  connect(main_->form().info, &QAbstractButton::clicked, this, &Screens::showInfo);
  takeFocus(main_, main_->firstFocus());
  layout();
  window_->installEventFilter(this);
}

QWidget* Screens::top() const { return presented_ ? presented_.data() : main_.data(); }

void Screens::showInfo() {
  if (transitions_ > 0 || presented_ || !makeInfo_) return;  // one presentation at a time
  InfoScreen* info = makeInfo_(window_);
  main_->controller().prepareForSegue(std::string(kShowAlternateSegue), info->controller());
  present(info, "Flipside", info->firstFocus());
  announceOpening(info);
}

void Screens::announceOpening(QWidget* screen) const {
  // The focus starts on Done, which is all a screen reader would say: its title and first
  // paragraph are said too.
  auto* heading = screen->findChild<QLabel*>("heading");
  auto* body = screen->findChild<QLabel*>("body");
  if (!heading || !body) return;
  const QString first = body->text().section("</p>", 0, 0);
  const QString words = heading->text() + " " + QTextDocumentFragment::fromHtml(first).toPlainText().trimmed();
  if (Announcer* announcer = Announcer::of(window_, "screen")) announcer->announce(words);
}

void Screens::present(QWidget* screen, const QString& name, QWidget* firstFocus) {
  if (!screen) return;
  if (transitions_ > 0 || presented_) {
    screen->deleteLater();
    return;
  }
  screen->setParent(window_);
  presented_ = screen;
  presentedName_ = name;
  layout();
  // The main screen takes no input while covered.
  main_->setEnabled(false);
  screen->show();
  screen->raise();
  takeFocus(screen, firstFocus);
  // A dialog on show stays in front of the screen that comes up under it.
  for (auto* dialog : window_->findChildren<QWidget*>("alertLayer", Qt::FindDirectChildrenOnly)) dialog->raise();
  ++transitions_;
  slide(screen, QPoint(0, window_->height()), QPoint(0, 0), this, [this, shown = QPointer(screen)] {
    // Covered for good: hidden, so that screen readers no longer find its controls on show.
    if (shown && presented_ == shown) {
      main_->hide();
      tellShowing(main_, false);
    }
    transitionEnded();
  });
}

void Screens::dismiss(bool animated) {
  if (transitions_ > 0) {
    dismissalAsked_ = animated;
    return;
  }
  if (!presented_) return;
  if (main_->isHidden()) {  // under the screen that slides away
    main_->show();
    tellShowing(main_, true);
  }
  if (!animated || !window_->isVisible()) return finishDismissal();
  ++transitions_;
  slide(presented_, QPoint(0, 0), QPoint(0, window_->height()), this, [this] {
    finishDismissal();
    transitionEnded();
  });
}

void Screens::finishDismissal() {
  if (!presented_) return;
  presented_->deleteLater();
  presented_ = nullptr;
  presentedName_.clear();
  main_->setEnabled(true);
  takeFocus(main_, main_->firstFocus());  // back where the screen's keyboard use starts
}

void Screens::transitionEnded() {
  if (--transitions_ > 0 || !dismissalAsked_) return;
  dismiss(*std::exchange(dismissalAsked_, std::nullopt));
}

bool Screens::askToRotate(long orientation) const {
  return main_ && main_->controller().shouldAutorotateToInterfaceOrientation(InterfaceOrientation{orientation});
}

bool Screens::eventFilter(QObject* watched, QEvent* event) {
  if (watched == window_ && event->type() == QEvent::Resize) windowResized();
  return false;
}

void Screens::windowResized() {
  const bool portrait = window_->height() >= window_->width();
  const bool turned = portrait != std::exchange(portrait_, portrait);
  if (turned) askToRotate(portrait ? InterfaceOrientationPortrait : InterfaceOrientationLandscapeRight);
  layout();
  // The banner has taken the height of its new size: the layout rule places it and the content
  // again for that height.
  if (turned && main_ && main_->controller().adBannerView()) main_->controller().adjustBannerView();
}

void Screens::layout() {
  for (QWidget* screen : {static_cast<QWidget*>(main_.data()), presented_.data()})
    if (screen && screen->geometry() != window_->rect()) screen->setGeometry(window_->rect());
}

}  // namespace storm::qt
