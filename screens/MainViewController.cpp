#include "screens/MainViewController.h"

namespace storm {

MainViewController::MainViewController(std::shared_ptr<Stopwatch> stopwatch, Services services)
    : stopwatch_(std::move(stopwatch)), services_(std::move(services)) {}

bool MainViewController::setOutlet(std::string_view name, const std::shared_ptr<View>& view) {
  if (name == "time") return connect(time_, view);
  if (name == "dist") return connect(dist_, view);
  if (name == "buttonP") return connect(buttonP_, view);
  if (name == "switcher") return connect(switcher_, view);
  if (name == "mapView") return connect(mapView_, view);
  if (name == "contentView") return connect(contentView_, view);
  return ViewController::setOutlet(name, view);
}

ViewController::Action MainViewController::action(std::string_view selector) {
  if (selector == "button:") return [this](View* sender) { button(sender); };
  if (selector == "switcher:") return [this](View* sender) { switcher(sender); };
  if (selector == "cancel:") return [this](View* sender) { cancel(sender); };
  if (selector == "paid:") return [this](View* sender) { paid(sender); };
  return ViewController::action(selector);
}

}  // namespace storm
