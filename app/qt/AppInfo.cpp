#include "app/qt/AppInfo.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <map>

#include "BuildConfig.h"
#include "rating/RatingPrompt.h"
#include "system/qt/QtLogger.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {

// The object in `path` whose version and name, where present, are strings; nothing, with the
// reason in `problem`, for anything else.
std::optional<QJsonObject> readInfo(const QString& path, QString& problem) {
  const std::optional<QByteArray> bytes = readResourceFile(path, problem);
  if (!bytes) {
    problem = "cannot be read (" + problem + ")";
    return std::nullopt;
  }
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(*bytes, &error);
  if (error.error != QJsonParseError::NoError) {
    problem = "is not JSON (" + error.errorString() + ")";
    return std::nullopt;
  }
  if (!document.isObject()) {
    problem = "is not a JSON object";
    return std::nullopt;
  }
  const QJsonObject info = document.object();
  for (const char* key : {kCFBundleVersionKey, kCFBundleNameKey}) {
    if (info.contains(key) && !info[key].isString()) {
      problem = QString("has a %1 that is not a string").arg(key);
      return std::nullopt;
    }
  }
  return info;
}

}  // namespace

AppInfo::AppInfo(const QString& infoFile) {
  if (infoFile.isEmpty()) return;
  QString problem;
  if (readInfo(infoFile, problem)) {
    infoFile_ = infoFile;
    return;
  }
  // Without a usable file the application would have no version, and the rating record would
  // start over: the build's values stand in.
  qCWarning(lcStorm, "the information dictionary %s %s; using the built-in one", qPrintable(infoFile),
            qPrintable(problem));
}

std::optional<std::string> AppInfo::infoString(const std::string& key) const {
  QString problem;
  if (const std::optional<QJsonObject> info = infoFile_.isEmpty() ? std::nullopt : readInfo(infoFile_, problem)) {
    const QJsonValue value = (*info)[QString::fromStdString(key)];
    return value.isString() ? std::optional(value.toString().toStdString()) : std::nullopt;
  }
  static const std::map<std::string, std::string> built{{kCFBundleVersionKey, build::kVersion},
                                                        {kCFBundleNameKey, build::kApplicationName}};
  const auto it = built.find(key);
  return it != built.end() ? std::optional(it->second) : std::nullopt;
}

}  // namespace storm::qt
