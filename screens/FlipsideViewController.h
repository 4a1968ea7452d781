#pragma once

#include <memory>
#include <string_view>

#include "kit/View.h"
#include "kit/ViewController.h"
#include "system/URLOpener.h"

// The information screen: what the app does and how, a link to the maker's other apps, and the
// way back to the main screen through its delegate. (Its air temperature field is the storm
// feature's.)

namespace storm {

class FlipsideViewController;

class FlipsideViewControllerDelegate {
 public:
  virtual ~FlipsideViewControllerDelegate() = default;
  virtual void flipsideViewControllerDidFinish(FlipsideViewController& controller) = 0;
};

class FlipsideViewController : public ViewController {
 public:
  explicit FlipsideViewController(std::shared_ptr<URLOpener> urlOpener) : urlOpener_(std::move(urlOpener)) {}

  std::shared_ptr<FlipsideViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<FlipsideViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // Asks the delegate to close this screen.
  void done(View* sender);
  // Opens the maker's page in the store.
  void more(View* sender);

 protected:
  Action action(std::string_view selector) override;

 private:
  const std::shared_ptr<URLOpener> urlOpener_;
  std::weak_ptr<FlipsideViewControllerDelegate> delegate_;
};

}  // namespace storm
