#pragma once

#include <memory>

#include "system/URLOpener.h"

// The information screen's controller: a link to the maker's other apps, and the way back to the
// main screen through its delegate. (What the screen says and its air temperature field are its
// form's and the storm feature's.)

namespace storm {

class FlipsideViewController;

class FlipsideViewControllerDelegate {
 public:
  virtual ~FlipsideViewControllerDelegate() = default;
  virtual void flipsideViewControllerDidFinish(FlipsideViewController& controller) = 0;
};

class FlipsideViewController {
 public:
  explicit FlipsideViewController(std::shared_ptr<URLOpener> urlOpener) : urlOpener_(std::move(urlOpener)) {}

  std::shared_ptr<FlipsideViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<FlipsideViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // The view's lifecycle: nothing of this screen's own happens then.
  void viewDidLoad() {}
  void viewDidUnload() {}
  // Asks the delegate to close this screen.
  void done();
  // Opens the maker's page in the store.
  void more();

 private:
  const std::shared_ptr<URLOpener> urlOpener_;
  std::weak_ptr<FlipsideViewControllerDelegate> delegate_;
};

}  // namespace storm
