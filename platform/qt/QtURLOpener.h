#pragma once

#include <string>
#include <vector>

#include "platform/Application.h"

// Hands URLs to the desktop, or in automation mode only records them. Main thread.

namespace storm::qt {

class QtURLOpener : public URLOpener {
 public:
  explicit QtURLOpener(bool recordOnly) : recordOnly_(recordOnly) {}
  bool openURL(const std::string& url) override;
  const std::vector<std::string>& openedURLs() const { return opened_; }

 private:
  bool recordOnly_;
  std::vector<std::string> opened_;
};

}  // namespace storm::qt
