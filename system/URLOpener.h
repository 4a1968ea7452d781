#pragma once

#include <string>

// Hands URLs to the system (the browser, the store). The result is whether the system took it.

namespace storm {

class URLOpener {
 public:
  virtual ~URLOpener() = default;
  virtual bool openURL(const std::string& url) = 0;
};

}  // namespace storm
