#include "platform/qt/QtBundle.h"

#include <QCoreApplication>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLocale>
#include <QTranslator>
#include <memory>

#include "platform/qt/QtLogger.h"

namespace storm::qt {

QtBundle::QtBundle(const QString& infoFile) {
  const QString path = infoFile.isEmpty() ? QString(kBuiltInInfoDictionary) : infoFile;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) {
    qCWarning(lcStorm, "cannot read the information dictionary %s (%s)", qPrintable(path),
                 qPrintable(file.errorString()));
    return;
  }
  QJsonParseError error{};
  const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &error);
  if (error.error != QJsonParseError::NoError || !document.isObject()) {
    qCWarning(lcStorm, "the information dictionary %s is not a JSON object (%s)", qPrintable(path),
                 qPrintable(error.errorString()));
    return;
  }
  const QJsonObject object = document.object();
  for (auto it = object.begin(); it != object.end(); ++it) {
    if (it.value().isString()) {
      info_[it.key().toStdString()] = it.value().toString().toStdString();
    } else if (it.key() == kCFBundleVersionKey || it.key() == kCFBundleNameKey) {
      qCWarning(lcStorm, "in the information dictionary %s, %s is not a string; ignored",
                   qPrintable(path), qPrintable(it.key()));
    }
  }
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

void installTranslations() {
  auto translator = std::make_unique<QTranslator>();
  if (!translator->load(QLocale(), "storm-distance", "_", ":/translations")) return;
  translator->setParent(QCoreApplication::instance());  // the application owns it from here
  QCoreApplication::installTranslator(translator.release());
}

}  // namespace storm::qt
