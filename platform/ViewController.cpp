#include "platform/ViewController.h"

#include "platform/Nil.h"

namespace storm {

bool ViewController::setOutlet(std::string_view, const std::shared_ptr<View>&) { return false; }

bool ViewController::performAction(std::string_view, View*) { return false; }

void ViewController::prepareForSegue(StoryboardSegue&, View*) {}

bool ViewController::shouldAutorotateToInterfaceOrientation(long orientation) { return orientation == 1; }

void ViewController::dismissModalViewControllerAnimated(bool animated) {
  if (auto host = host_.lock()) host->dismissModalViewController(*this, animated);
}

}  // namespace storm
