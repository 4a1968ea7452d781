#pragma once

#include <string>

// Notifications on the user's desktop: a short summary and a line of body text, shown by whatever
// the desktop uses to show them. Sending never waits and never fails loudly: where the desktop has
// no way to show them, nothing happens. Main thread.

namespace storm {

class DesktopNotifier {
 public:
  virtual ~DesktopNotifier() = default;
  virtual void notify(const std::string& summary, const std::string& body) = 0;
};

}  // namespace storm
