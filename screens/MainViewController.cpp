#include "screens/MainViewController.h"

namespace storm {

MainViewController::MainViewController(Platform& platform) : platform_(platform) {}

bool MainViewController::setOutlet(std::string_view name, const std::shared_ptr<View>& view) {
  if (name == "time") return connect(time_, view);
  if (name == "dist") return connect(dist_, view);
  if (name == "buttonP") return connect(buttonP_, view);
  if (name == "switcher") return connect(switcher_, view);
  if (name == "mapView") return connect(mapView_, view);
  if (name == "contentView") return connect(contentView_, view);
  return ViewController::setOutlet(name, view);
}

bool MainViewController::performAction(std::string_view selector, View* sender) {
  if (selector == "button:") {
    button(sender);
    return true;
  }
  if (selector == "switcher:") {
    switcher(sender);
    return true;
  }
  if (selector == "paid:") {
    paid(sender);
    return true;
  }
  return ViewController::performAction(selector, sender);
}

}  // namespace storm
