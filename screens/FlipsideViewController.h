#pragma once

#include <memory>
#include <string_view>

#include "platform/Platform.h"
#include "platform/ViewController.h"

// The information screen: what the app does and how, a link to the maker's other apps, and the
// way back to the main screen through its delegate.

namespace storm {

class FlipsideViewController;

class FlipsideViewControllerDelegate {
 public:
  virtual ~FlipsideViewControllerDelegate() = default;
  virtual void flipsideViewControllerDidFinish(FlipsideViewController& controller) = 0;
};

class FlipsideViewController : public ViewController {
 public:
  explicit FlipsideViewController(Platform& platform) : platform_(platform) {}

  std::shared_ptr<FlipsideViewControllerDelegate> delegate() const { return delegate_.lock(); }
  void setDelegate(std::weak_ptr<FlipsideViewControllerDelegate> delegate) { delegate_ = std::move(delegate); }

  // Asks the delegate to close this screen.
  void done(View* sender);
  // Opens the maker's page in the store.
  void more(View* sender);

 protected:
  Action action(std::string_view selector) override;

 private:
  Platform& platform_;
  std::weak_ptr<FlipsideViewControllerDelegate> delegate_;
};

}  // namespace storm
