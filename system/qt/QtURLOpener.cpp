#include "system/qt/QtURLOpener.h"

#include <QDesktopServices>
#include <QProcess>
#include <QUrl>

namespace storm::qt {

namespace {
// Web pages, files and mail always have somewhere to go; the desktop's own opener covers them.
bool everyday(const QString& scheme) {
  const QString s = scheme.toLower();
  return s == "http" || s == "https" || s == "file" || s == "mailto";
}
}  // namespace

QtURLOpener::QtURLOpener(bool recordOnly, SchemeQuery handles, Open open)
    : recordOnly_(recordOnly), handles_(std::move(handles)), open_(std::move(open)) {}

bool QtURLOpener::openURL(const std::string& url) {
  opened_.push_back(url);
  if (recordOnly_) return true;
  const QString link = QString::fromStdString(url);
  const QUrl target(link);
  if (!target.isValid() || target.scheme().isEmpty()) return false;
  if (!everyday(target.scheme()) && handles_ && !handles_(target.scheme().toLower())) return false;
  return open_ && open_(link);
}

bool QtURLOpener::desktopHandlesScheme(const QString& scheme) {
  QProcess query;
  query.start("xdg-mime", {"query", "default", "x-scheme-handler/" + scheme});
  if (!query.waitForStarted(2000) || !query.waitForFinished(2000) || query.exitStatus() != QProcess::NormalExit)
    return true;
  return !query.readAllStandardOutput().trimmed().isEmpty();
}

bool QtURLOpener::openOnDesktop(const QString& url) {
  const QUrl target(url);
  if (everyday(target.scheme())) return QDesktopServices::openUrl(target);
  return QProcess::startDetached("xdg-open", {url}) || QDesktopServices::openUrl(target);
}

}  // namespace storm::qt
