#pragma once

#include <QString>
#include <map>
#include <optional>
#include <string>

#include "kit/Bundle.h"

// The application's bundle on Qt: the information dictionary is a JSON object (built in as
// resources/Info.json, or the file given with --info), and localized strings come from the
// installed Qt translations, with the English text as the key.
//
// Immutable after construction, so any thread may read it.

namespace storm::qt {

// Where the built-in information dictionary lives.
inline constexpr char kBuiltInInfoDictionary[] = ":/resources/Info.json";
// The context of the application's own strings in the translation files.
inline constexpr char kLocalizableContext[] = "Localizable";

class QtBundle : public Bundle {
 public:
  // Reads `infoFile`, or the built-in dictionary when it is empty. A file that cannot be read, is
  // not a JSON object or has a version or name that is not a string is reported in one line, and
  // the built-in dictionary is used instead.
  explicit QtBundle(const QString& infoFile = {});

  std::optional<std::string> infoString(const std::string& key) const override;
  std::string localizedString(const std::string& key) const override;
  UnitSystem unitSystem() const override;
  std::string decimalText(double value, int decimals) const override;

 private:
  std::map<std::string, std::string> info_;
};

// Installs the translation of the application's texts for the user's language, if there is one
// (English needs none), with Qt's own in that language where the system has them. Call once,
// after the application object exists and before any screen is loaded.
void installTranslations();

}  // namespace storm::qt
