#pragma once

#include <memory>
#include <string>
#include <vector>

// A dialog over the application's window with a title, a message and buttons. Showing it does
// not wait for an answer: the button the user presses is reported to the delegate afterwards.
// Main thread only.

namespace storm {

class AlertView;

class AlertViewDelegate {
 public:
  virtual ~AlertViewDelegate() = default;
  // The user pressed button `buttonIndex`; the dialog has already closed.
  virtual void alertViewClickedButtonAtIndex(AlertView& alertView, long buttonIndex) = 0;
};

class AlertView {
 public:
  virtual ~AlertView() = default;
  virtual void show() = 0;
  virtual bool isVisible() const = 0;
  // Closes the dialog as if `buttonIndex` had been pressed, without telling the delegate.
  virtual void dismissWithClickedButtonIndex(long buttonIndex, bool animated) = 0;
};

class AlertViewFactory {
 public:
  virtual ~AlertViewFactory() = default;
  // The cancel button gets index 0, the other buttons 1, 2, ... in order. The delegate is held
  // weakly.
  virtual std::shared_ptr<AlertView> makeAlertView(const std::string& title, const std::string& message,
                                                   std::weak_ptr<AlertViewDelegate> delegate,
                                                   const std::string& cancelButtonTitle,
                                                   const std::vector<std::string>& otherButtonTitles) = 0;
};

}  // namespace storm
