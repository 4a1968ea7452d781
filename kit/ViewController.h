#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "kit/View.h"

// A screen's controller. The layout loader gives it its main view, connects its outlets and
// actions by the names the layout declares, and tells it about segues.

namespace storm {

class ViewController;

// The screen's orientations as the system numbers them; a value outside these may arrive too.
enum InterfaceOrientation : long {
  InterfaceOrientationPortrait = 1,
  InterfaceOrientationPortraitUpsideDown = 2,
  InterfaceOrientationLandscapeRight = 3,
  InterfaceOrientationLandscapeLeft = 4,
};

struct StoryboardSegue {
  std::optional<std::string> identifier;  // nothing when the layout gives the segue no identifier
  std::shared_ptr<ViewController> source;
  std::shared_ptr<ViewController> destination;
};

// What a controller asks of whoever shows it: closing the screen it presented.
class PresentationHost {
 public:
  virtual ~PresentationHost() = default;
  virtual void dismissModalViewController(ViewController& presenter, bool animated) = 0;
};

class ViewController : public std::enable_shared_from_this<ViewController> {
 public:
  virtual ~ViewController() = default;

  std::shared_ptr<View> view() const { return view_; }
  void setView(std::shared_ptr<View> view) { view_ = std::move(view); }
  void setPresentationHost(std::weak_ptr<PresentationHost> host) { host_ = std::move(host); }

  // Connects the outlet `name`; false when the controller has no such outlet or the view is of
  // the wrong kind.
  virtual bool setOutlet(std::string_view name, const std::shared_ptr<View>& view);
  // Runs the action `selector` ("button:"); false when the controller has no such action.
  bool performAction(std::string_view selector, View* sender);
  bool respondsToAction(std::string_view selector) { return static_cast<bool>(action(selector)); }

  virtual void viewDidLoad() {}
  virtual void viewDidUnload() {}
  virtual void prepareForSegue(StoryboardSegue& segue, View* sender);
  // Whether the screen may turn to `orientation`.
  virtual bool shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation);
  // The screen has turned from `from` and its views have their new sizes.
  virtual void didRotateFromInterfaceOrientation(InterfaceOrientation from) { (void)from; }

  void dismissModalViewControllerAnimated(bool animated);

 protected:
  using Action = std::function<void(View* sender)>;
  // The action `selector` names, or nothing.
  virtual Action action(std::string_view selector);

  // Connects `slot` (a weak or a strong pointer) if `view` is of its kind.
  template <class Slot>
  static bool connect(Slot& slot, const std::shared_ptr<View>& view) {
    auto typed = std::dynamic_pointer_cast<typename Slot::element_type>(view);
    if (!typed) return false;
    slot = typed;
    return true;
  }

 private:
  std::shared_ptr<View> view_;
  std::weak_ptr<PresentationHost> host_;
};

}  // namespace storm
