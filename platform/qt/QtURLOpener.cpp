#include "platform/qt/QtURLOpener.h"

#include <QDesktopServices>
#include <QUrl>

namespace storm::qt {

bool QtURLOpener::openURL(const std::string& url) {
  opened_.push_back(url);
  if (recordOnly_) return true;
  return QDesktopServices::openUrl(QUrl(QString::fromStdString(url)));
}

}  // namespace storm::qt
