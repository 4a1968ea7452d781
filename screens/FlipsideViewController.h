#pragma once

#include <memory>
#include <string_view>

#include "kit/Bundle.h"
#include "kit/View.h"
#include "kit/ViewController.h"
#include "system/Preferences.h"
#include "system/URLOpener.h"

// The information screen: what the app does and how, the air temperature that sets the speed of
// sound, a link to the maker's other apps, and the way back to the main screen through its
// delegate.

namespace storm {

class FlipsideViewController;

class FlipsideViewControllerDelegate {
 public:
  virtual ~FlipsideViewControllerDelegate() = default;
  virtual void flipsideViewControllerDidFinish(FlipsideViewController& controller) = 0;
};

class FlipsideViewController : public ViewController {
 public:
  struct Services {
    std::shared_ptr<URLOpener> urlOpener;
    std::shared_ptr<Locale> locale;
    std::shared_ptr<Preferences> settings;  // the air temperature
  };

  explicit FlipsideViewController(Services services) : services_(std::move(services)) {}

  std::shared_ptr<FlipsideViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<FlipsideViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  bool setOutlet(std::string_view name, const std::shared_ptr<View>& view) override;
  void viewDidLoad() override;

  // Asks the delegate to close this screen.
  void done(View* sender);
  // The air temperature field's editing ended: keeps a valid entry, explains an invalid one.
  void temperatureChanged(View* sender);
  // Opens the maker's page in the store.
  void more(View* sender);

 protected:
  Action action(std::string_view selector) override;

 private:
  // Shows the setting in the field (in the locale's unit) and what it means in the note.
  void showTemperatureSetting();
  std::string degreesText(double celsius) const;

  const Services services_;
  std::weak_ptr<FlipsideViewControllerDelegate> delegate_;
  std::weak_ptr<TextField> temperature_;
  std::weak_ptr<Label> temperatureNote_;
};

}  // namespace storm
