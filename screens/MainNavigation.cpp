// The navigation half of the main screen: the information screen and the store's product page.

#include "screens/Nil.h"
#include "screens/MainViewController.h"
#include "screens/StoreLinks.h"

namespace storm {

void MainViewController::prepareForSegue(const std::optional<std::string>& identifier,
                                         const std::shared_ptr<FlipsideViewController>& destination) {
  if (identifier != kShowAlternateSegue || !destination) return;
  destination->setDelegate(shared_from_this());
}

void MainViewController::flipsideViewControllerDidFinish(FlipsideViewController&) {
  dismissModalViewControllerAnimated(true);
}

void MainViewController::dismissModalViewControllerAnimated(bool animated) {
  if (dismiss_) dismiss_(animated);
}

void MainViewController::paid() { send(services_.urlOpener, &URLOpener::openURL, productPageURL()); }

}  // namespace storm
