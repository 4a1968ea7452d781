#include "kit/ViewController.h"

#include "kit/Nil.h"

namespace storm {

bool ViewController::setOutlet(std::string_view, const std::shared_ptr<View>&) { return false; }

bool ViewController::performAction(std::string_view selector, View* sender) {
  const Action run = action(selector);
  if (run) run(sender);
  return static_cast<bool>(run);
}

ViewController::Action ViewController::action(std::string_view) { return nullptr; }

void ViewController::prepareForSegue(StoryboardSegue&, View*) {}

bool ViewController::shouldAutorotateToInterfaceOrientation(InterfaceOrientation orientation) {
  return orientation == InterfaceOrientationPortrait;
}

void ViewController::dismissModalViewControllerAnimated(bool animated) {
  if (auto host = host_.lock()) host->dismissModalViewController(*this, animated);
}

}  // namespace storm
