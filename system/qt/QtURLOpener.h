#pragma once

#include <QString>
#include <functional>
#include <string>
#include <vector>

#include "system/URLOpener.h"

// Hands URLs to the desktop, or in automation mode only records them. Main thread.

namespace storm::qt {

class QtURLOpener : public URLOpener {
 public:
  // Whether the desktop has an application for links of a scheme, and the desktop's open.
  using SchemeQuery = std::function<bool(const QString& scheme)>;
  using Open = std::function<bool(const QString& url)>;

  explicit QtURLOpener(bool recordOnly, SchemeQuery handles = desktopHandlesScheme, Open open = openOnDesktop);
  // False, without trying, for a link whose scheme nothing on the desktop handles: the desktop's
  // opener would start and fail where nobody sees it.
  bool openURL(const std::string& url) override;
  const std::vector<std::string>& openedURLs() const { return opened_; }

  // Asks xdg-mime, which opening goes through; where it cannot be asked, the open itself tells.
  static bool desktopHandlesScheme(const QString& scheme);
  // Hands the link over as written: a parsed URL would lower-case its host, which for the software
  // centre's links is a case-sensitive application id.
  static bool openOnDesktop(const QString& url);

 private:
  bool recordOnly_;
  SchemeQuery handles_;
  Open open_;
  std::vector<std::string> opened_;
};

}  // namespace storm::qt
