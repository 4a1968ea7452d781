#include "screens/FlipsideViewController.h"

#include "platform/Nil.h"
#include "screens/StoreLinks.h"

namespace storm {

bool FlipsideViewController::performAction(std::string_view selector, View* sender) {
  if (selector == "done:") {
    done(sender);
    return true;
  }
  if (selector == "more:") {
    more(sender);
    return true;
  }
  return ViewController::performAction(selector, sender);
}

void FlipsideViewController::done(View*) {
  if (auto delegate = delegate_.lock()) delegate->flipsideViewControllerDidFinish(*this);
}

void FlipsideViewController::more(View*) { send(platform_.urlOpener, &URLOpener::openURL, std::string(kMakerPageURL)); }

}  // namespace storm
