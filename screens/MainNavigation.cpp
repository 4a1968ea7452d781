// The navigation half of the main screen: the information screen and the store's product page.

#include "kit/Nil.h"
#include "screens/MainViewController.h"
#include "screens/StoreLinks.h"

namespace storm {

void MainViewController::prepareForSegue(StoryboardSegue& segue, View*) {
  if (segue.identifier != "showAlternate") return;
  // A layout that leads the segue elsewhere is left alone rather than misused.
  auto flipside = std::dynamic_pointer_cast<FlipsideViewController>(segue.destination);
  if (!flipside) return;
  flipside->setDelegate(std::static_pointer_cast<MainViewController>(shared_from_this()));
}

void MainViewController::flipsideViewControllerDidFinish(FlipsideViewController&) {
  dismissModalViewControllerAnimated(true);
}

void MainViewController::paid(View*) { send(services_.urlOpener, &URLOpener::openURL, productPageURL()); }

}  // namespace storm
