#include "screens/FlipsideViewController.h"

#include "screens/Nil.h"
#include "screens/StoreLinks.h"

namespace storm {

void FlipsideViewController::done() {
  if (auto delegate = delegate_.lock()) delegate->flipsideViewControllerDidFinish(*this);
}

void FlipsideViewController::more() { send(urlOpener_, &URLOpener::openURL, makerPageURL()); }

}  // namespace storm
