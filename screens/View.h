#pragma once

#include <functional>
#include <memory>
#include <string>

#include "system/Geometry.h"

// The views the main screen's controller works on: rectangles in the coordinates of their
// superview. The screen's widgets own themselves; the controller points at the views it uses
// without owning them, and a call on a view that is gone does nothing.

namespace storm {

enum AutoresizingMask : unsigned {
  AutoresizingFlexibleLeftMargin = 1,
  AutoresizingFlexibleWidth = 2,
  AutoresizingFlexibleRightMargin = 4,
  AutoresizingFlexibleTopMargin = 8,
  AutoresizingFlexibleHeight = 16,
  AutoresizingFlexibleBottomMargin = 32,
};

class View {
 public:
  virtual ~View() = default;

  virtual Rect frame() const = 0;
  virtual void setFrame(const Rect& frame) = 0;
  virtual Rect bounds() const = 0;
  virtual void addSubview(const std::shared_ptr<View>& view) = 0;
  virtual unsigned autoresizingMask() const = 0;
  virtual void setAutoresizingMask(unsigned mask) = 0;
};

// Only the normal state has a title of its own here.
enum ControlState : unsigned { ControlStateNormal = 0 };

class Label : public View {
 public:
  virtual std::string text() const = 0;
  virtual void setText(const std::string& text) = 0;
};

class Button : public View {
 public:
  virtual std::string title(ControlState state) const = 0;
  virtual void setTitle(const std::string& title, ControlState state) = 0;
};

class SegmentedControl : public View {
 public:
  // The selected segment, -1 when none is selected.
  virtual int selectedSegmentIndex() const = 0;
  virtual void setSelectedSegmentIndex(int index) = 0;
};

// Animates the frame changes that `changes` makes over `duration` seconds.
class Animator {
 public:
  virtual ~Animator() = default;
  virtual void animateWithDuration(double duration, std::function<void()> changes) = 0;
};

}  // namespace storm
