#include "kit/qt/QtBundle.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "system/qt/QtLogger.h"
#include "system/qt/ResourceFile.h"

namespace storm::qt {

namespace {

// The dictionary in `path`: a JSON object whose CFBundleVersion and CFBundleName, where present,
// are strings. Nothing, with the reason in `problem`, for anything else.
std::optional<std::map<std::string, std::string>> readDictionary(const QString& path, QString& problem) {
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
  std::map<std::string, std::string> info;
  const QJsonObject object = document.object();
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (it.value().isString()) {
      info[it.key().toStdString()] = it.value().toString().toStdString();
    } else if (it.key() == kCFBundleVersionKey || it.key() == kCFBundleNameKey) {
      problem = "has a " + it.key() + " that is not a string";
      return std::nullopt;
    }
  }
  return info;
}

}  // namespace

QtBundle::QtBundle(const QString& infoFile) {
  QString problem;
  if (!infoFile.isEmpty()) {
    if (auto info = readDictionary(infoFile, problem)) {
      info_ = std::move(*info);
      return;
    }
    // Without a usable dictionary the application would have no version, and the rating record
    // would start over: the built-in one stands in.
    qCWarning(lcStorm, "the information dictionary %s %s; using the built-in one", qPrintable(infoFile),
              qPrintable(problem));
  }
  if (auto info = readDictionary(kBuiltInInfoDictionary, problem))
    info_ = std::move(*info);
  else
    qCWarning(lcStorm, "the built-in information dictionary %s", qPrintable(problem));
}

std::optional<std::string> QtBundle::infoString(const std::string& key) const {
  auto it = info_.find(key);
  if (it == info_.end()) return std::nullopt;
  return it->second;
}

std::string QtBundle::localizedString(const std::string& key) const {
  // A missing translation gives the key itself back.
  return QCoreApplication::translate(kLocalizableContext, key.c_str()).toStdString();
}

UnitSystem QtBundle::unitSystem() const {
  switch (QLocale().measurementSystem()) {
    case QLocale::ImperialUSSystem: return UnitSystem::ImperialUS;
    case QLocale::ImperialUKSystem: return UnitSystem::ImperialUK;
    default: return UnitSystem::Metric;
  }
}

std::string QtBundle::decimalText(double value, int decimals) const {
  return QLocale().toString(value, 'f', decimals).toStdString();
}

void installTranslations() {
  auto translator = std::make_unique<QTranslator>();
  // An installed copy prefers the catalogues installed beside it; the built-in ones stand in for them.
  const QString installed = QCoreApplication::applicationDirPath() + "/../share/storm-distance/translations";
  const auto load = [&](const QString& directory) {
    return translator->load(QLocale(), "storm-distance", "_", directory);
  };
  if (!(QFileInfo::exists(installed) && load(installed)) && !load(":/translations")) return;
  translator->setParent(QCoreApplication::instance());  // the application owns it from here
  QCoreApplication::installTranslator(translator.release());
  // Qt's own texts (the file dialog's) in the same language, where the system has them.
  auto qtTexts = std::make_unique<QTranslator>();
  if (!qtTexts->load(QLocale(), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath))) return;
  qtTexts->setParent(QCoreApplication::instance());
  QCoreApplication::installTranslator(qtTexts.release());
}

}  // namespace storm::qt
