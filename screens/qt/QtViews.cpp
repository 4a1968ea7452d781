#include "screens/qt/QtViews.h"

#include <QEvent>
#include <QLayout>
#include <QPalette>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <cmath>

#include "screens/ViewLayout.h"
#include "screens/qt/SegmentedControlWidget.h"

namespace storm::qt {

Rect rectFromQRect(const QRect& r) {
  return {static_cast<float>(r.x()), static_cast<float>(r.y()), static_cast<float>(r.width()),
          static_cast<float>(r.height())};
}

QRect qRectFromRect(const Rect& r) {
  return QRect(static_cast<int>(std::lround(r.x)), static_cast<int>(std::lround(r.y)),
               static_cast<int>(std::lround(r.width)), static_cast<int>(std::lround(r.height)));
}

namespace {
double g_animationDuration = 0;
}  // namespace

void QtAnimator::animateWithDuration(double duration, std::function<void()> changes) {
  const double outer = g_animationDuration;
  g_animationDuration = duration > 0 ? duration : 0;
  if (changes) changes();
  g_animationDuration = outer;
}

double QtAnimator::currentDuration() { return g_animationDuration; }

// Applies the autoresizing masks of a widget's wrapped children when the widget changes size.
class AutoresizeFilter : public QObject {
 public:
  static constexpr const char* kName = "storm-autoresize";
  AutoresizeFilter(QWidget* parent) : QObject(parent) {
    setObjectName(kName);
    parent->installEventFilter(this);
  }
  static AutoresizeFilter* of(QWidget* parent) {
    return static_cast<AutoresizeFilter*>(parent->findChild<QObject*>(kName, Qt::FindDirectChildrenOnly));
  }
  void add(QtViewBase* child) { children_.push_back(child); }
  void remove(QtViewBase* child) { std::erase(children_, child); }

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Resize) {
      auto* parent = static_cast<QWidget*>(watched);
      auto* resize = static_cast<QResizeEvent*>(event);
      if (!parent->layout() && resize->oldSize().isValid()) {
        const Size oldSize{static_cast<float>(resize->oldSize().width()),
                           static_cast<float>(resize->oldSize().height())};
        const Size newSize{static_cast<float>(resize->size().width()), static_cast<float>(resize->size().height())};
        for (auto* child : children_) {
          if (child->mask_ && child->widget_)
            child->setFrameImpl(autoresizedFrame(child->frameImpl(), child->mask_, oldSize, newSize));
        }
      }
    }
    return false;
  }

 private:
  std::vector<QtViewBase*> children_;
};

QtViewBase::QtViewBase(QWidget* widget) : widget_(widget) {
  if (widget) frame_ = rectFromQRect(widget->geometry());
}

QtViewBase::~QtViewBase() {
  if (filter_) filter_->remove(this);
}

Rect QtViewBase::frameImpl() const {
  if (!widget_) return {};
  // The widget may have been moved by a layout or an animation in flight: the set frame is the
  // answer while the widget is (or is heading) there.
  if (qRectFromRect(frame_) == widget_->geometry() || *animating_) return frame_;
  return rectFromQRect(widget_->geometry());
}

void QtViewBase::setFrameImpl(const Rect& frame) {
  if (!widget_) return;
  frame_ = frame;
  // The last frame set wins: a glide still on its way to an earlier one stops here.
  if (animation_) animation_->stop();
  *animating_ = false;
  const double duration = QtAnimator::currentDuration();
  if (duration > 0 && widget_->isVisible()) {
    // One animation per view, made at its first glide and started again for each later one (from
    // wherever the widget is then): a view that glides again and again, as the banner does at each
    // new advertisement, never piles up animations waiting to be deleted.
    if (!animation_) {
      animation_ = new QPropertyAnimation(widget_, "geometry", widget_);
      animation_->setEasingCurve(QEasingCurve::InOutQuad);
      QObject::connect(animation_, &QPropertyAnimation::finished, widget_, [flag = std::weak_ptr<bool>(animating_)] {
        if (auto f = flag.lock()) *f = false;
      });
    }
    animation_->setDuration(static_cast<int>(std::lround(duration * 1000)));
    animation_->setEndValue(qRectFromRect(frame));
    *animating_ = true;
    animation_->start();
  } else {
    widget_->setGeometry(qRectFromRect(frame));
  }
}

Rect QtViewBase::boundsImpl() const {
  if (!widget_) return {};
  const Rect f = frameImpl();
  return {0, 0, f.width, f.height};
}

void QtViewBase::addSubviewImpl(const std::shared_ptr<View>& view) {
  if (!widget_ || !view) return;
  if (QWidget* child = widgetOf(view.get())) {
    child->setParent(widget_);
    child->raise();
    child->show();
  }
  subviews_.push_back(view);
  if (auto* base = dynamic_cast<QtViewBase*>(view.get())) base->setAutoresizingMaskImpl(base->mask_);
}

void QtViewBase::setAutoresizingMaskImpl(unsigned mask) {
  mask_ = mask;
  if (!widget_ || !widget_->parentWidget()) return;
  QWidget* parent = widget_->parentWidget();
  auto* filter = AutoresizeFilter::of(parent);
  if (!filter) filter = new AutoresizeFilter(parent);
  if (filter_ != filter) {
    if (filter_) filter_->remove(this);
    filter->add(this);
    filter_ = filter;
  }
}

std::string QtLabel::text() const {
  auto* label = qobject_cast<QLabel*>(widget_.data());
  return label ? label->text().toStdString() : std::string();
}

void QtLabel::setText(const std::string& text) {
  // A label without an accessible name of its own is heard by its text, and QLabel reports each new
  // text to assistive technology as a NameChanged event: that is how a screen reader learns of the
  // distance the moment it appears (Qt 6.4 has no announcement event to send instead).
  if (auto* label = qobject_cast<QLabel*>(widget_.data())) label->setText(QString::fromStdString(text));
}

QtButton::QtButton(QAbstractButton* button) : QtView(button) {
  if (button) titles_[ControlStateNormal] = button->text().toStdString();
}

std::string QtButton::title(ControlState state) const {
  auto it = titles_.find(state);
  if (it != titles_.end()) return it->second;
  it = titles_.find(ControlStateNormal);  // other states fall back to the normal title
  return it != titles_.end() ? it->second : std::string();
}

void QtButton::setTitle(const std::string& title, ControlState state) {
  titles_[state] = title;
  // A widget button shows one text: the normal state's.
  if (auto* button = qobject_cast<QAbstractButton*>(widget_.data()); button && state == ControlStateNormal)
    button->setText(QString::fromStdString(title));
}

QtSegmentedControl::QtSegmentedControl(SegmentedControlWidget* control) : QtView(control) {}

int QtSegmentedControl::selectedSegmentIndex() const {
  auto* control = qobject_cast<SegmentedControlWidget*>(widget_.data());
  return control ? control->selectedIndex() : -1;
}

void QtSegmentedControl::setSelectedSegmentIndex(int index) {
  if (auto* control = qobject_cast<SegmentedControlWidget*>(widget_.data())) control->setSelectedIndex(index);
}

QWidget* widgetOf(const View* view) {
  auto* base = dynamic_cast<const QtViewBase*>(view);
  return base ? base->widget() : nullptr;
}

}  // namespace storm::qt
