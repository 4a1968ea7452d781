// The main screen on Qt: the views its controller works on, as wrappers of the form's widgets
// (labels, button, selector, the map), and the two screens' widgets over their forms.

#include "screens/qt/MainScreen.h"

#include <QApplication>
#include <QEvent>
#include <QKeySequence>
#include <QLayout>
#include <QPropertyAnimation>
#include <QResizeEvent>
#include <QShortcut>
#include <algorithm>
#include <cmath>

#include "map/qt/MapWidget.h"
#include "screens/ViewLayout.h"
#include "screens/qt/QtViews.h"
#include "screens/qt/ScreenKeys.h"
#include "screens/qt/SegmentedControlWidget.h"
#include "system/qt/ScreenFit.h"
#include "ui_Flipside.h"
#include "ui_Main.h"

namespace storm::qt {

// ---- the views over the widgets ----

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
  if (button) title_ = button->text().toStdString();
}

std::string QtButton::title(ControlState) const { return title_; }

void QtButton::setTitle(const std::string& title, ControlState) {
  title_ = title;
  if (auto* button = qobject_cast<QAbstractButton*>(widget_.data())) button->setText(QString::fromStdString(title));
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

// ---- the map view over the map widget ----

namespace {

QColor toQColor(const Color& c) { return QColor::fromRgbF(c.red, c.green, c.blue, c.alpha); }

// The map's own words for what an overlay view says of a circle's look.
MapCircleStyle styleOf(const MKOverlayView& view) {
  MapCircleStyle style;
  if (auto stroke = view.strokeColor()) style.stroke = toQColor(*stroke);
  if (auto fill = view.fillColor()) style.fill = toQColor(*fill);
  return style;
}

class QtMapView : public QtView<MKMapView> {
 public:
  explicit QtMapView(MapWidget* widget) : QtView(widget) {}
  MapWidget* map() const { return qobject_cast<MapWidget*>(widget_.data()); }
  void setSelf(std::weak_ptr<QtMapView> self) { self_ = std::move(self); }

  std::shared_ptr<MKUserLocation> userLocation() const override {
    auto* m = map();
    if (!m || !m->model().userLocation()) return nullptr;
    return std::make_shared<MKUserLocation>(*m->model().userLocation());
  }
  MKCoordinateRegion region() const override { return map() ? map()->model().region() : MKCoordinateRegion{}; }
  MKCoordinateRegion regionThatFits(const MKCoordinateRegion& region) const override {
    return map() ? map()->model().regionThatFits(region) : MKCoordinateRegion{};
  }
  void setRegion(const MKCoordinateRegion& region, bool animated) override {
    if (auto* m = map()) m->model().setRegion(region, animated);
  }
  std::vector<std::shared_ptr<MKOverlay>> overlays() const override {
    std::vector<std::shared_ptr<MKOverlay>> all;
    if (!map()) return all;
    for (const Entry& entry : entries_) all.push_back(entry.overlay);
    return all;
  }
  // A circle goes onto the map, styled by the delegate's view for it once the map first draws it;
  // an overlay of another shape is kept, as the platform would, but the map has nothing to draw.
  void addOverlay(const std::shared_ptr<MKOverlay>& overlay) override {
    auto* m = map();
    if (!m || !overlay) return;
    std::optional<MapCircleId> id;
    if (auto circle = std::dynamic_pointer_cast<MKCircle>(overlay))
      id = m->model().addCircle(circle->coordinate(), circle->radius(), styleSource(overlay));
    entries_.push_back({overlay, id});
  }
  void removeOverlays(const std::vector<std::shared_ptr<MKOverlay>>& overlays) override {
    auto* m = map();
    if (!m) return;
    for (const auto& overlay : overlays) {
      std::erase_if(entries_, [&](const Entry& entry) {
        if (entry.overlay != overlay) return false;
        if (entry.circle) m->model().removeCircle(*entry.circle);
        return true;
      });
    }
  }
  std::weak_ptr<MKMapViewDelegate> delegate() const override { return delegate_; }
  void setDelegate(std::weak_ptr<MKMapViewDelegate> delegate) override {
    delegate_ = std::move(delegate);
    // Circles the map could not style yet are asked about again at the next drawing.
    if (auto* m = map()) m->update();
  }
  MKMapType mapType() const override {
    return map() ? static_cast<MKMapType>(map()->model().mapType()) : MKMapTypeStandard;
  }
  void setMapType(MKMapType type) override {
    if (auto* m = map()) m->model().setMapType(static_cast<MapType>(type));
  }

 private:
  struct Entry {
    std::shared_ptr<MKOverlay> overlay;
    std::optional<MapCircleId> circle;  // what stands for it on the map
  };

  // Asks the delegate for the overlay's view when the map draws the circle, as the platform does.
  MapCircleStyleSource styleSource(const std::shared_ptr<MKOverlay>& overlay) const {
    return [self = self_, overlay]() -> std::optional<MapCircleStyle> {
      auto view = self.lock();
      if (!view) return std::nullopt;
      auto delegate = view->delegate_.lock();
      auto overlayView = delegate ? delegate->mapViewViewForOverlay(*view, overlay) : nullptr;
      if (!overlayView) return std::nullopt;
      return styleOf(*overlayView);
    };
  }

  std::weak_ptr<QtMapView> self_;
  std::weak_ptr<MKMapViewDelegate> delegate_;
  std::vector<Entry> entries_;  // in the order added
};

}  // namespace

std::shared_ptr<MKMapView> makeMapView(MapWidget* widget) {
  auto view = std::make_shared<QtMapView>(widget);
  view->setSelf(view);
  return view;
}

// ---- the screens ----

MainScreen::MainScreen(std::shared_ptr<MainViewController> controller, QWidget* parent)
    : QWidget(parent), form_(std::make_unique<Ui::MainScreen>()), controller_(std::move(controller)) {
  form_->setupUi(this);
  applyApplicationFontSizes(this);
  connectViews();
  connectControls();
  controller_->viewDidLoad();
  ScreenFit::install(this);
}

MainScreen::~MainScreen() = default;

QWidget* MainScreen::firstFocus() const { return form_->buttonP; }

void MainScreen::connectViews() {
  auto root = std::make_shared<QtPlainView>(this);
  // The content fills the main view and follows its size.
  auto content = std::make_shared<QtPlainView>(form_->contentView);
  content->setAutoresizingMask(AutoresizingFlexibleWidth | AutoresizingFlexibleHeight);
  auto time = std::make_shared<QtLabel>(form_->time);
  auto dist = std::make_shared<QtLabel>(form_->dist);
  auto button = std::make_shared<QtButton>(form_->buttonP);
  auto switcher = std::make_shared<QtSegmentedControl>(form_->switcher);
  auto map = makeMapView(form_->mapView);
  views_ = {time, dist, button, switcher, map};
  controller_->setView(root);
  controller_->setContentView(content);
  controller_->setTime(time);
  controller_->setDist(dist);
  controller_->setButtonP(button);
  controller_->setSwitcher(switcher);
  controller_->setMapView(map);
}

void MainScreen::connectControls() {
  MainViewController* c = controller_.get();  // lives as long as this screen
  connect(form_->buttonP, &QAbstractButton::clicked, this, [c] { c->button(); });
  connect(form_->switcher, &SegmentedControlWidget::valueChanged, this, [c] { c->switcher(nullptr); });
  connect(form_->paid, &QAbstractButton::clicked, this, [c] { c->paid(); });
  auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
  escape->setContext(Qt::WidgetWithChildrenShortcut);
  connect(escape, &QShortcut::activated, this, [c] { c->cancel(); });
  addButtonKeys(this, form_->history, {"Ctrl+H"});
  addButtonKeys(this, form_->info, {"F1"});
  addButtonKeys(this, form_->buttonP, {"T"});
  addButtonKeys(this, form_->buttonP, {"Space", "Return", "Enter"}, true);
  addZoomKeys(this, form_->mapView);
  dockQuestion();
  setTabWay({form_->buttonP, form_->mapView, findChild<QWidget*>("centreOnUser"), form_->switcher, form_->history,
             form_->info, form_->paid});
  // The focus Qt moves on from a control that went out of sight (the question for a flash's
  // direction answered, let go or timed out; a dialog's layer closed) comes back to the main button,
  // where Space times the next flash, not to the next control in the chain.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget* old, QWidget* now) {
    if (!old || old->isVisible() || old->window() != window() || (now && !isAncestorOf(now))) return;
    if (isVisible() && isEnabled() && form_->buttonP->isVisible()) form_->buttonP->setFocus(Qt::OtherFocusReason);
  });
}

void MainScreen::dockQuestion() {
  // The map's question for a flash's direction sits in the controls, off the map: under the time
  // in a wide window, where the column has room; in its place otherwise, so that the map keeps
  // its size (the distance stays on show, and the time comes back when the question goes).
  QWidget* time = form_->time;
  QWidget* dock = form_->questionDock;
  form_->mapView->setPanelDock(dock, [this, time, dock](bool shown) {
    const bool wide = property("wide").toBool();
    time->setVisible(!shown || wide);
    const int timeHeight = time->sizeHint().height();
    const QMargins margins = form_->controls->layout()->contentsMargins();
    const int width = form_->controls->width() - margins.left() - margins.right();
    if (!wide) return QSize(width, timeHeight);
    // The column's free height, counting what the question takes now.
    const int used = form_->controls->sizeHint().height() - (dock->isVisible() ? dock->height() : 0);
    return QSize(width, std::max(timeHeight, form_->mapView->height() - used - 24));
  });
}

InfoScreen::InfoScreen(std::shared_ptr<FlipsideViewController> controller, QWidget* parent)
    : QWidget(parent), form_(std::make_unique<Ui::InfoScreen>()), controller_(std::move(controller)) {
  form_->setupUi(this);
  applyApplicationFontSizes(this);
  FlipsideViewController* c = controller_.get();
  connect(form_->done, &QAbstractButton::clicked, this, [c] { c->done(); });
  connect(form_->more, &QAbstractButton::clicked, this, [c] { c->more(); });
  addButtonKeys(this, form_->done, {"Escape"});
  setTabWay({form_->temperature, form_->more, form_->done});
  // The page scrolls to whatever takes the focus on it, however it came there.
  connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
    if (now && form_->page->isAncestorOf(now)) form_->scroller->ensureWidgetVisible(now);
  });
  controller_->viewDidLoad();
  ScreenFit::install(this);
}

InfoScreen::~InfoScreen() = default;

QWidget* InfoScreen::firstFocus() const { return form_->done; }

}  // namespace storm::qt
