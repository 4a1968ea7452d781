#pragma once

#include <QAbstractButton>
#include <QLabel>
#include <QPointer>
#include <QPropertyAnimation>
#include <QWidget>
#include <memory>
#include <vector>

#include "screens/Map.h"
#include "screens/View.h"

// The main screen's views over Qt widgets. Each wrapper points at its widget (which Qt's parent
// ownership keeps); once the widget is gone every call does nothing and reads as zero. A frame set
// inside an animation block glides there; the autoresizing masks are kept as the parent's size
// changes.

namespace storm::qt {

class MapWidget;
class SegmentedControlWidget;

Rect rectFromQRect(const QRect& r);
QRect qRectFromRect(const Rect& r);

// Frame changes made inside an animation block animate instead of jumping.
class QtAnimator : public Animator {
 public:
  void animateWithDuration(double duration, std::function<void()> changes) override;
  // The duration of the block being run, 0 outside one.
  static double currentDuration();
};

class QtViewBase {
 public:
  explicit QtViewBase(QWidget* widget);
  virtual ~QtViewBase();
  QWidget* widget() const { return widget_; }

 protected:
  Rect frameImpl() const;
  void setFrameImpl(const Rect& frame);
  Rect boundsImpl() const;
  void addSubviewImpl(const std::shared_ptr<View>& view);
  void setAutoresizingMaskImpl(unsigned mask);

  QPointer<QWidget> widget_;
  Rect frame_;  // the frame as set, exact in float; the widget's geometry is it rounded
  unsigned mask_ = 0;
  std::vector<std::shared_ptr<View>> subviews_;
  QPointer<class AutoresizeFilter> filter_;
  // Set while an animation moves the widget towards frame_; shared with the animation's handler.
  std::shared_ptr<bool> animating_ = std::make_shared<bool>(false);
  QPointer<QPropertyAnimation> animation_;  // that animation
  friend class AutoresizeFilter;
};

template <class Interface>
class QtView : public Interface, public QtViewBase {
 public:
  explicit QtView(QWidget* widget) : QtViewBase(widget) {}
  Rect frame() const override { return frameImpl(); }
  void setFrame(const Rect& frame) override { setFrameImpl(frame); }
  Rect bounds() const override { return boundsImpl(); }
  void addSubview(const std::shared_ptr<View>& view) override { addSubviewImpl(view); }
  unsigned autoresizingMask() const override { return mask_; }
  void setAutoresizingMask(unsigned mask) override { setAutoresizingMaskImpl(mask); }
};

using QtPlainView = QtView<View>;

class QtLabel : public QtView<Label> {
 public:
  explicit QtLabel(QLabel* label) : QtView(label) {}
  std::string text() const override;
  void setText(const std::string& text) override;
};

class QtButton : public QtView<Button> {
 public:
  explicit QtButton(QAbstractButton* button);
  std::string title(ControlState state) const override;
  void setTitle(const std::string& title, ControlState state) override;

 private:
  std::string title_;  // the normal state's: the only state with a title of its own
};

class QtSegmentedControl : public QtView<SegmentedControl> {
 public:
  explicit QtSegmentedControl(SegmentedControlWidget* control);
  int selectedSegmentIndex() const override;
  void setSelectedSegmentIndex(int index) override;
};

// The map view over a map widget. Region and map type go through to the widget; the overlays given
// are kept here, each circle among them put on the map as a circle of its own, and the delegate is
// asked for an overlay's view when the map first draws its circle.
std::shared_ptr<MKMapView> makeMapView(MapWidget* widget);

// The widget behind a view, if it is a Qt one.
QWidget* widgetOf(const View* view);

}  // namespace storm::qt
