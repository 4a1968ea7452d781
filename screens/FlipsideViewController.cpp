#include "screens/FlipsideViewController.h"

#include <cmath>

#include "measure/Measurement.h"
#include "kit/Nil.h"
#include "screens/StoreLinks.h"
#include "storm/SpeedOfSound.h"
#include "storm/StormTexts.h"

namespace storm {

ViewController::Action FlipsideViewController::action(std::string_view selector) {
  if (selector == "done:") return [this](View* sender) { done(sender); };
  if (selector == "more:") return [this](View* sender) { more(sender); };
  if (selector == "temperatureChanged:") return [this](View* sender) { temperatureChanged(sender); };
  return ViewController::action(selector);
}

bool FlipsideViewController::setOutlet(std::string_view name, const std::shared_ptr<View>& view) {
  if (name == "temperature") return connect(temperature_, view);
  if (name == "temperatureNote") return connect(temperatureNote_, view);
  return ViewController::setOutlet(name, view);
}

void FlipsideViewController::viewDidLoad() { showTemperatureSetting(); }

void FlipsideViewController::done(View*) {
  if (auto delegate = delegate_.lock()) delegate->flipsideViewControllerDidFinish(*this);
}

void FlipsideViewController::more(View*) { send(services_.urlOpener, &URLOpener::openURL, makerPageURL()); }

std::string FlipsideViewController::degreesText(double celsius) const {
  const bool fahrenheit = usesFahrenheit(*services_.locale);
  const double degrees = fahrenheit ? fahrenheitFromCelsius(celsius) : celsius;
  // Whole degrees as such, anything finer to a tenth.
  const bool whole = std::fabs(degrees - std::round(degrees)) < 0.05;
  std::string text = services_.locale->decimalText(degrees, whole ? 0 : 1);
  if (text.rfind('-', 0) == 0) text.replace(0, 1, "\u2212");
  return text + (fahrenheit ? " \u00b0F" : " \u00b0C");
}

void FlipsideViewController::showTemperatureSetting() {
  if (!services_.locale) return;
  const Locale& bundle = *services_.locale;
  const Preferences* settings = services_.settings.get();
  const bool set = settings && settings->containsKey(kAirTemperatureKey) &&
                   speedOfSoundAt(settings->doubleForKey(kAirTemperatureKey));
  const double speed = speedOfSoundSetting(settings) * 1000.0;
  if (auto field = temperature_.lock()) {
    field->setPlaceholder(formatText(bundle.localizedString("Standard (%1)"), {degreesText(15.0)}));
    std::string entry;
    if (set) {
      entry = degreesText(settings->doubleForKey(kAirTemperatureKey));
      entry.resize(entry.rfind(' '));  // the number alone; the unit is the locale's
    }
    field->setText(entry);
  }
  if (auto note = temperatureNote_.lock()) {
    const std::string metres = bundle.decimalText(speed, 2);
    note->setText(
        set ? formatText(bundle.localizedString("Speed of sound at %1: %2 m/s."),
                         {degreesText(settings->doubleForKey(kAirTemperatureKey)), metres})
            : formatText(bundle.localizedString("Standard speed of sound: %1 m/s. Type the air temperature for "
                                                "a closer figure, or leave the field empty."),
                         {metres}));
  }
}

void FlipsideViewController::temperatureChanged(View*) {
  auto field = temperature_.lock();
  if (!field || !services_.settings || !services_.locale) return;
  const TemperatureEntry entry = parseTemperatureEntry(field->text(), usesFahrenheit(*services_.locale));
  if (entry.kind == TemperatureEntry::Invalid) {
    if (auto note = temperatureNote_.lock())
      note->setText(
          formatText(services_.locale->localizedString("Enter a temperature from %1 to %2, or leave the field empty "
                                                       "for the standard speed of sound."),
                     {degreesText(kLowestAirTemperature), degreesText(kHighestAirTemperature)}));
    return;
  }
  setAirTemperature(*services_.settings,
                    entry.kind == TemperatureEntry::Degrees ? std::optional(entry.celsius) : std::nullopt);
  showTemperatureSetting();
}

}  // namespace storm
