#include "screens/FlipsideViewController.h"

#include "kit/Nil.h"
#include "screens/StoreLinks.h"

namespace storm {

ViewController::Action FlipsideViewController::action(std::string_view selector) {
  if (selector == "done:") return [this](View* sender) { done(sender); };
  if (selector == "more:") return [this](View* sender) { more(sender); };
  return ViewController::action(selector);
}

void FlipsideViewController::done(View*) {
  if (auto delegate = delegate_.lock()) delegate->flipsideViewControllerDidFinish(*this);
}

void FlipsideViewController::more(View*) { send(urlOpener_, &URLOpener::openURL, makerPageURL()); }

}  // namespace storm
