#include "app/qt/QtLocale.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <memory>

namespace storm::qt {

std::string QtLocale::localizedString(const std::string& key) const {
  // A missing translation gives the key itself back.
  return QCoreApplication::translate(kLocalizableContext, key.c_str()).toStdString();
}

UnitSystem QtLocale::unitSystem() const {
  switch (QLocale().measurementSystem()) {
    case QLocale::ImperialUSSystem: return UnitSystem::ImperialUS;
    case QLocale::ImperialUKSystem: return UnitSystem::ImperialUK;
    default: return UnitSystem::Metric;
  }
}

std::string QtLocale::decimalText(double value, int decimals) const {
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
