#pragma once

#include <QString>
#include <optional>
#include <string>

// The application's information, its version (CFBundleVersion) and name (CFBundleName): the
// build's own, or those of the JSON object in the file given with --info. The file is read again
// at every call, so what it says now is what counts. Any thread.

namespace storm::qt {

class AppInfo {
 public:
  // A file that cannot be read, is not a JSON object or has a version or name that is not a string
  // is reported in one line, here, and the build's own values stand in for it from then on.
  explicit AppInfo(const QString& infoFile = {});

  // The string under `key`; nothing when the file has none.
  std::optional<std::string> infoString(const std::string& key) const;

 private:
  QString infoFile_;  // empty: the build's values
};

}  // namespace storm::qt
