#pragma once

#include <string>

#include "system/Locale.h"

// The user's language and units on Qt: the application's texts come from the installed Qt
// translations, with the English text as the key; units and numbers from the default QLocale.
// Holds nothing, so any thread may use it.

namespace storm::qt {

// The context of the application's own strings in the translation files.
inline constexpr char kLocalizableContext[] = "Localizable";

class QtLocale : public Locale {
 public:
  std::string localizedString(const std::string& key) const override;
  UnitSystem unitSystem() const override;
  std::string decimalText(double value, int decimals) const override;
};

// Installs the translation of the application's texts for the user's language, if there is one
// (English needs none), with Qt's own in that language where the system has them. Call once,
// after the application object exists and before any screen is made.
void installTranslations();

}  // namespace storm::qt
